/* Identifiers of Velmora's resources, controls, timer and private message. */
#ifndef VELMORA_RESOURCE_H
#define VELMORA_RESOURCE_H

#define IDD_PATCH       101
#define IDC_LOG         1000
#define IDC_STATIC      -1

#define ID_PROBE_TIMER  101
#define PROBE_DELAY_MS  500

/* wParam carries the probe's PatchState, lParam is 0. */
#define WM_PATCHSTATE   (WM_USER + 100)

#endif
