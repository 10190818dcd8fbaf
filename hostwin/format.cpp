/* wvsprintfA as Microsoft's wsprintfA page describes it: no floating point, and never more than
   1,024 bytes written, the terminating NUL included. */
#include <string.h>

#include <string>

#include <windows.h>

static const size_t WSPRINTF_LIMIT = 1024;

static std::string Digits(unsigned long long number, unsigned base, bool upper)
{
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[number % base]);
        number /= base;
    } while (number != 0);
    return text;
}

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args)
{
    std::string out;

    for (const char *p = format; *p; p++) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        bool left = false, zero = false, alternate = false;
        for (p++; *p == '-' || *p == '0' || *p == '#'; p++) {
            left |= *p == '-';
            zero |= *p == '0';
            alternate |= *p == '#';
        }
        size_t width = 0, precision = (size_t)-1;
        for (; *p >= '0' && *p <= '9'; p++)
            width = width * 10 + (size_t)(*p - '0');
        if (*p == '.')
            for (precision = 0, p++; *p >= '0' && *p <= '9'; p++)
                precision = precision * 10 + (size_t)(*p - '0');
        if (*p == 'l' || *p == 'h' || *p == 'w')
            p++;  /* every integer is 32 bits wide here */
        std::string field, prefix;
        switch (*p) {
        case '\0':
            p--;
            continue;
        case 'c':
            field = (char)va_arg(args, int);
            break;
        case 's': {
            const char *text = va_arg(args, const char *);
            field = text ? text : "(null)";
            if (field.size() > precision)
                field.resize(precision);
            break;
        }
        case 'd':
        case 'i': {
            int number = va_arg(args, int);
            if (number < 0)
                prefix = "-";
            field = Digits(number < 0 ? 0ULL - (unsigned long long)number : (unsigned long long)number, 10, false);
            break;
        }
        case 'u':
            field = Digits(va_arg(args, unsigned), 10, false);
            break;
        case 'x':
        case 'X': {
            unsigned number = va_arg(args, unsigned);
            field = Digits(number, 16, *p == 'X');
            if (alternate && number != 0)
                prefix = *p == 'X' ? "0X" : "0x";
            break;
        }
        default:  /* an unknown conversion prints its own letter */
            field = *p;
            break;
        }
        size_t length = prefix.size() + field.size();
        std::string pad = width > length ? std::string(width - length, zero && !left ? '0' : ' ') : "";
        if (left)
            out += prefix + field + pad;
        else if (zero)
            out += prefix + pad + field;
        else
            out += pad + prefix + field;
    }
    if (out.size() > WSPRINTF_LIMIT - 1) {
        /* cut to 1023 characters and the NUL; what Windows returns then is not documented:
           this is what Wine's user32 returns */
        out.resize(WSPRINTF_LIMIT - 1);
        memcpy(buffer, out.c_str(), out.size() + 1);
        return (int)WSPRINTF_LIMIT;
    }
    memcpy(buffer, out.c_str(), out.size() + 1);
    return (int)out.size();
}
