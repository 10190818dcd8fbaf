/* The log pane: every step, finding and failure becomes one line of the list box. */
#ifndef VELMORA_LOG_H
#define VELMORA_LOG_H

#include <windows.h>

/* Appends one formatted line (only %d and %s) to the list box `target`. */
void LogLine(HWND target, const char *format, ...) __attribute__((format(printf, 2, 3)));

#endif
