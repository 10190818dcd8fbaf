/* Identifiers of Velmora's resources, controls and timer. */
#ifndef VELMORA_RESOURCE_H
#define VELMORA_RESOURCE_H

#define IDD_PATCH       101
#define IDC_LOG         1000
#define IDC_STATIC      -1

#define ID_PROBE_TIMER  101

#endif
