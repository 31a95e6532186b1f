// A fault-injecting file layer for tests: delegates to another implementation and makes the k-th
// counted operation (read, write, seek, set-end or flush) fail, move only part of its bytes, or
// stand for a crash of the process at that point.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "platform/PlatformFiles.h"

enum class FaultKind {
    None,
    Fail,      // the operation fails and changes nothing; later ones work
    Partial,   // a read or write moves half of its bytes (other operations fail); later ones work
    Crash,     // the operation and every later one is refused: the files stay as the writes
               // before it left them (nothing an object does while unwinding reaches them)
    TornCrash, // as Crash, but a write at that point first puts its bytes up to the last
               // 512-byte sector boundary before its middle on disk (a write torn by power loss)
    NoSpace,   // the disk fills up at that point: the first write from there on moves half its
               // bytes and fails, and every later write fails; everything else keeps working
};

enum class FaultOp { Read, Write, Seek, SetEnd, Flush };

class CFaultFiles final : public IPlatformFiles {
public:
    explicit CFaultFiles(IPlatformFiles& inner = SystemPlatformFiles()) : m_inner(inner) {}

    // Starts counting from zero, clears the crash, and arms kind at the k-th operation (1-based;
    // k <= 0 or FaultKind::None arms nothing).
    void Arm(int64_t k, FaultKind kind);
    void Disarm() { Arm(0, FaultKind::None); }

    // Counted operations since the last Arm, whether they succeeded or not.
    int64_t Operations() const { return m_count; }
    // The armed fault met its operation (and what that operation was).
    bool Fired() const { return m_fired; }
    FaultOp FiredOp() const { return m_firedOp; }
    bool Crashed() const { return m_crashed; }

    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override;
    int64_t Read(PlatformFile file, void* buf, int64_t count) override;
    int64_t Write(PlatformFile file, const void* buf, int64_t count) override;
    int64_t Seek(PlatformFile file, int64_t offset) override;
    bool SetEnd(PlatformFile file) override;
    bool Flush(PlatformFile file) override;
    int64_t Size(PlatformFile file) override;
    // Always passes through: closing changes no file content, and handles must not leak.
    void Close(PlatformFile file) override;
    bool Delete(const char* path) override;

private:
    // Counts an operation; returns the fault to apply to it (None: run it normally).
    FaultKind Next(FaultOp op);
    // Advances the tracked file pointer by what an operation moved; returns moved.
    int64_t Moved(PlatformFile file, int64_t moved);

    static constexpr int64_t kSector = 512;

    IPlatformFiles& m_inner;
    std::unordered_map<PlatformFile, int64_t> m_positions; // file pointers, for tearing
    int64_t m_count = 0;
    int64_t m_at = 0;
    FaultKind m_kind = FaultKind::None;
    bool m_fired = false;
    FaultOp m_firedOp = FaultOp::Read;
    bool m_crashed = false;
    bool m_full = false;   // the disk is full: writes fail
    bool m_filled = false; // ... and the write that filled it has run
};
