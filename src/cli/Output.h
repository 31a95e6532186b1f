// Where a command's text goes: standard output and standard error, or, while a batch works on a
// file on this thread, that file's own buffers, printed later in the order the files were given.
#pragma once

#include <string>

namespace cli {

void Out(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Err(const char* format, ...) __attribute__((format(printf, 1, 2)));

// For its lifetime, Out and Err on this thread append to out and err instead of printing.
class CCapturedOutput {
public:
    CCapturedOutput();
    ~CCapturedOutput();
    CCapturedOutput(const CCapturedOutput&) = delete;
    CCapturedOutput& operator=(const CCapturedOutput&) = delete;

    std::string out;
    std::string err;

private:
    CCapturedOutput* m_previous;
};

} // namespace cli
