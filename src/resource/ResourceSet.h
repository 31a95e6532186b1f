// A resource file made of up to eight member files. Lookups ask every member in order; new chunks
// go to the first writable member whose type filter takes them.
#pragma once

#include <memory>
#include <vector>

#include "resource/ResourceFile.h"

class CResourceSet : public CResourceFile {
public:
    static constexpr int kMaxMembers = 8;

    CResourceSet() = default;
    ~CResourceSet() override; // destroys the members, which close themselves

    // Appends a member the set then owns; false (and the file is destroyed) when the set is full
    // or file is null. A new member takes every type.
    bool AddMember(std::unique_ptr<CResourceFile> file);
    int MemberCount() const { return static_cast<int>(m_members.size()); }
    // Member by 0-based position; nullptr outside.
    CResourceFile* Member(int index) const;
    // Filters. Exclude: the member takes every type but the listed ones. Include: only the listed
    // ones. A list that holds types in the other mode is left as it is.
    void ExcludeType(int member, uint32_t type);
    void IncludeType(int member, uint32_t type);
    bool MemberTakes(int member, uint32_t type) const;
    // Destroys every member (closing those still open).
    void DestroyMembers();

    // Without members, or opened by name only in the derived kinds: -95.
    [[nodiscard]] int32_t Create(const char* path) override;
    [[nodiscard]] int32_t Delete(const char* path) override;
    [[nodiscard]] int32_t Open(const char* path) override;
    [[nodiscard]] int32_t Suspend() override;
    [[nodiscard]] int32_t Resume() override;
    [[nodiscard]] int32_t Close() override; // closes the members but keeps them
    [[nodiscard]] int32_t Flush() override;
    bool IsWritable() override;
    // The first member's file name.
    int32_t GetFileName(CBoundedString& out) override;
    bool IsOpen() override;
    int16_t CountTypes() override;
    uint32_t GetTypeAt(int32_t index) override;
    int16_t CountChunks(uint32_t type) override;
    CChunk* GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkByLabel(uint32_t type, const CBoundedString& label,
                            ByteOrderRoutine routine = nullptr) override;
    CChunk* GetChunkAt(uint32_t type, int32_t index, ByteOrderRoutine routine = nullptr) override;
    int32_t DescribeChunkAt(uint32_t type, int32_t index, ChunkFacts& facts) override;
    CChunk* GetChunkVariant(uint32_t type, int16_t id, int32_t variant,
                            ByteOrderRoutine routine = nullptr) override;
    int32_t GetLabel(CChunk* chunk, CBoundedString& out) override;
    uint32_t GetType(CChunk* chunk) override;
    int32_t GetId(CChunk* chunk, int16_t& id) override;
    int32_t Reserved22(CChunk* chunk, uint16_t& out) override;
    int32_t GetVariant(CChunk* chunk) override;
    [[nodiscard]] int32_t MakeLabelUnique(uint32_t type, CBoundedString& label) override;
    int16_t NextFreeId(uint32_t type) override;
    [[nodiscard]] int32_t Release(CChunk* chunk) override;
    int32_t Reserved27(CChunk* chunk) override;
    bool IsNative(CChunk* chunk) override;
    [[nodiscard]] int32_t SetId(CChunk* chunk, int16_t id) override;
    [[nodiscard]] int32_t AddChunk(CChunk* chunk, uint32_t type, int16_t id,
                                   const CBoundedString& label, bool native) override;
    [[nodiscard]] int32_t AddChunkVariant(CChunk* chunk, uint32_t type, int16_t id,
                                          const CBoundedString& label, int32_t variant,
                                          bool native) override;
    [[nodiscard]] int32_t WriteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t DeleteChunk(CChunk* chunk) override;
    [[nodiscard]] int32_t SetIdAndLabel(CChunk* chunk, int16_t id, const CBoundedString& label,
                                        int32_t variant) override;

    const ChainBreak& BrokenChain() const override;

protected:
    struct MemberSlot {
        std::unique_ptr<CResourceFile> file;
        std::vector<uint32_t> types;
        bool include = false; // false: the list names the types the member does not take
    };
    std::vector<MemberSlot> m_members;

private:
    // The member that knows the handle, or -1.
    int MemberOf(CChunk* chunk);
    // Union of the members' types in the set's order.
    std::vector<uint32_t> UnionTypes();
    // Runs op on members in order until one leaves no error; -99 when none does. For changes only
    // writable members are asked, and a failure of the member holding the handle is kept.
    template <class Op> int32_t FirstWithoutError(Op op, bool changes);
};
