#include "Output.h"

#include <cstdarg>
#include <cstdio>

namespace cli {

namespace {

thread_local CCapturedOutput* t_capture = nullptr;

void Append(std::string& to, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[512];
    const int n = std::vsnprintf(small, sizeof small, format, args);
    if (n >= 0 && size_t(n) < sizeof small) {
        to.append(small, size_t(n));
    } else if (n > 0) {
        const size_t at = to.size();
        to.resize(at + size_t(n) + 1);
        std::vsnprintf(to.data() + at, size_t(n) + 1, format, again);
        to.resize(at + size_t(n));
    }
    va_end(again);
}

} // namespace

void Out(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (t_capture)
        Append(t_capture->out, format, args);
    else
        std::vfprintf(stdout, format, args);
    va_end(args);
}

void Err(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (t_capture)
        Append(t_capture->err, format, args);
    else
        std::vfprintf(stderr, format, args);
    va_end(args);
}

CCapturedOutput::CCapturedOutput() : m_previous(t_capture) {
    t_capture = this;
}

CCapturedOutput::~CCapturedOutput() {
    t_capture = m_previous;
}

} // namespace cli
