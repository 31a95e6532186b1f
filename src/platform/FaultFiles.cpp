#include "platform/FaultFiles.h"

void CFaultFiles::Arm(int64_t k, FaultKind kind) {
    m_count = 0;
    m_at = k > 0 ? k : 0;
    m_kind = m_at > 0 ? kind : FaultKind::None;
    m_fired = false;
    m_crashed = false;
}

FaultKind CFaultFiles::Next(FaultOp op) {
    if (m_crashed) return FaultKind::Crash;
    ++m_count;
    if (m_kind == FaultKind::None || m_count != m_at) return FaultKind::None;
    m_fired = true;
    m_firedOp = op;
    if (m_kind == FaultKind::Crash || m_kind == FaultKind::TornCrash) m_crashed = true;
    return m_kind;
}

PlatformFile CFaultFiles::Open(const char* path, PlatformAccess access, PlatformOpen how,
                               const PlatformOpenOptions& options) {
    if (m_crashed) return kNoPlatformFile;
    return m_inner.Open(path, access, how, options);
}

int64_t CFaultFiles::Read(PlatformFile file, void* buf, int64_t count) {
    switch (Next(FaultOp::Read)) {
    case FaultKind::None:
        return m_inner.Read(file, buf, count);
    case FaultKind::Partial:
        return m_inner.Read(file, buf, count / 2);
    default:
        return -1;
    }
}

int64_t CFaultFiles::Write(PlatformFile file, const void* buf, int64_t count) {
    switch (Next(FaultOp::Write)) {
    case FaultKind::None:
        return m_inner.Write(file, buf, count);
    case FaultKind::Partial:
        return m_inner.Write(file, buf, count / 2);
    case FaultKind::TornCrash:
        // The torn write reaches the disk; nothing after it does.
        m_inner.Write(file, buf, count / 2);
        return -1;
    default:
        return -1;
    }
}

int64_t CFaultFiles::Seek(PlatformFile file, int64_t offset) {
    return Next(FaultOp::Seek) == FaultKind::None ? m_inner.Seek(file, offset) : -1;
}

bool CFaultFiles::SetEnd(PlatformFile file) {
    return Next(FaultOp::SetEnd) == FaultKind::None && m_inner.SetEnd(file);
}

bool CFaultFiles::Flush(PlatformFile file) {
    return Next(FaultOp::Flush) == FaultKind::None && m_inner.Flush(file);
}

int64_t CFaultFiles::Size(PlatformFile file) { return m_crashed ? -1 : m_inner.Size(file); }

void CFaultFiles::Close(PlatformFile file) { m_inner.Close(file); }

bool CFaultFiles::Delete(const char* path) { return !m_crashed && m_inner.Delete(path); }
