#include "platform/PlatformFiles.h"
#include "common/AsciiCase.h"

namespace {

thread_local PlatformFailure t_failure = PlatformFailure::None;
IPlatformFiles* g_current = nullptr;

} // namespace

PlatformFailure LastPlatformFailure() {
    return t_failure;
}

void ClearPlatformFailure() {
    t_failure = PlatformFailure::None;
}

void NotePlatformFailure(PlatformFailure failure) {
    t_failure = failure;
}

IPlatformFiles& PlatformFiles() {
    return g_current ? *g_current : SystemPlatformFiles();
}

CPlatformFilesScope::CPlatformFilesScope(IPlatformFiles& files) : m_previous(g_current) {
    g_current = &files;
}

CPlatformFilesScope::~CPlatformFilesScope() {
    g_current = m_previous;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
    if (!a || !b) return a == b;
    for (;; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
        if (!*a) return true;
    }
}
