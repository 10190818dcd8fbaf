/* The log pane: formats a line into the shared buffer and appends it to the list box. */
#include <stdarg.h>

#include "log.h"
#include "window.h"

char LogBuffer[LOG_BUFFER_SIZE];

void LogLine(HWND target, const char *format, ...)
{
    va_list args;

    va_start(args, format);
    FormatText(LogBuffer, format, args);
    va_end(args);
    AppendListItem(target, LogBuffer);
}
