/* The log pane: formats a line into the shared buffer and appends it to the list box. */
#include <stdarg.h>

#include "ui/log.h"
#include "ui/window.h"

/* Far more than the longest line the program writes; the formatter stops at 1024 anyway. */
static char LogBuffer[4096];

void LogLine(HWND target, const char *format, ...)
{
    va_list args;

    va_start(args, format);
    FormatText(LogBuffer, format, args);
    va_end(args);
    AppendListItem(target, LogBuffer);
}
