#include "platform/FaultFiles.h"

void CFaultFiles::Arm(int64_t k, FaultKind kind) {
    m_count = 0;
    m_at = k > 0 ? k : 0;
    m_kind = m_at > 0 ? kind : FaultKind::None;
    m_fired = false;
    m_crashed = false;
    m_full = false;
    m_filled = false;
}

FaultKind CFaultFiles::Next(FaultOp op) {
    if (m_crashed) return FaultKind::Crash;
    ++m_count;
    if (m_kind == FaultKind::None || m_count != m_at) return FaultKind::None;
    m_fired = true;
    m_firedOp = op;
    if (m_kind == FaultKind::Crash || m_kind == FaultKind::TornCrash) m_crashed = true;
    if (m_kind == FaultKind::NoSpace) m_full = true;
    return m_kind;
}

PlatformFile CFaultFiles::Open(const char* path, PlatformAccess access, PlatformOpen how,
                               const PlatformOpenOptions& options) {
    if (m_crashed) return kNoPlatformFile;
    const PlatformFile file = m_inner.Open(path, access, how, options);
    if (file != kNoPlatformFile) m_positions[file] = 0;
    return file;
}

int64_t CFaultFiles::Moved(PlatformFile file, int64_t moved) {
    if (moved > 0) m_positions[file] += moved;
    return moved;
}

int64_t CFaultFiles::Read(PlatformFile file, void* buf, int64_t count) {
    switch (Next(FaultOp::Read)) {
    case FaultKind::None:
    case FaultKind::NoSpace:
        return Moved(file, m_inner.Read(file, buf, count));
    case FaultKind::Partial:
        return Moved(file, m_inner.Read(file, buf, count / 2));
    default:
        return -1;
    }
}

int64_t CFaultFiles::Write(PlatformFile file, const void* buf, int64_t count) {
    const FaultKind fault = Next(FaultOp::Write);
    if (m_full && !m_crashed) {
        // The write that meets the full disk moves half its bytes; later ones move none.
        const int64_t moved = m_filled ? 0 : Moved(file, m_inner.Write(file, buf, count / 2));
        m_filled = true;
        NotePlatformFailure(PlatformFailure::NoSpace);
        return moved > 0 ? moved : -1;
    }
    switch (fault) {
    case FaultKind::None:
        return Moved(file, m_inner.Write(file, buf, count));
    case FaultKind::Partial:
        return Moved(file, m_inner.Write(file, buf, count / 2));
    case FaultKind::TornCrash: {
        // The sectors before the tear reach the disk; nothing after them does.
        const int64_t at = m_positions[file];
        const int64_t torn = (at + count / 2) / kSector * kSector - at;
        if (torn > 0) m_inner.Write(file, buf, torn);
        NotePlatformFailure(PlatformFailure::Other);
        return -1;
    }
    default:
        NotePlatformFailure(PlatformFailure::Other);
        return -1;
    }
}

int64_t CFaultFiles::Seek(PlatformFile file, int64_t offset) {
    const FaultKind fault = Next(FaultOp::Seek);
    if (fault != FaultKind::None && fault != FaultKind::NoSpace) return -1;
    const int64_t at = m_inner.Seek(file, offset);
    if (at >= 0) m_positions[file] = at;
    return at;
}

bool CFaultFiles::SetEnd(PlatformFile file) {
    const FaultKind fault = Next(FaultOp::SetEnd);
    return (fault == FaultKind::None || fault == FaultKind::NoSpace) && m_inner.SetEnd(file);
}

bool CFaultFiles::Flush(PlatformFile file) {
    const FaultKind fault = Next(FaultOp::Flush);
    return (fault == FaultKind::None || fault == FaultKind::NoSpace) && m_inner.Flush(file);
}

int64_t CFaultFiles::Size(PlatformFile file) {
    return m_crashed ? -1 : m_inner.Size(file);
}

void CFaultFiles::Close(PlatformFile file) {
    m_positions.erase(file);
    m_inner.Close(file);
}

bool CFaultFiles::Delete(const char* path) {
    return !m_crashed && m_inner.Delete(path);
}
