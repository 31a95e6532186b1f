// Saving when the chunk body cannot be allocated: the save reports running out of memory and
// writes nothing. Large array allocations fail on demand in this test program (chunk bodies are
// the only arrays the saves allocate).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "model/ModelFiles.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"

namespace {
size_t g_failSize = 0; // array allocations of at least this many bytes fail; 0: none

void* Allocate(size_t n) {
    if (g_failSize != 0 && n >= g_failSize) return nullptr;
    return std::malloc(n ? n : 1);
}

struct FailArraysOf {
    explicit FailArraysOf(size_t n) { g_failSize = n; }
    ~FailArraysOf() { g_failSize = 0; }
};
} // namespace

// Every array form, so that allocation and release always match.
void* operator new[](size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return Allocate(n);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

using namespace modeltest;

TEST(AllocFailure, StringTableSaveReportsNoMemory) {
    ScratchDir dir;
    auto file = NewFile(dir / "strings.iff");
    ASSERT_TRUE(file);
    CStringTable table;
    table.Configure(file.get(), CStringTable::kTypeStr, 128, false, 0);
    table.SetText(1, std::string(5000, 'x').c_str());
    {
        FailArraysOf fail(4096);
        EXPECT_EQ(table.Save(), kResErrNoMemory);
    }
    bool exists = true;
    Get(*file, CStringTable::kTypeStr, 128, &exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(table.Save(), 0);
}

TEST(AllocFailure, TreeTableSaveReportsNoMemory) {
    ScratchDir dir;
    auto file = NewFile(dir / "table.iff");
    ASSERT_TRUE(file);
    CTreeTable table(4);
    for (int i = 0; i < 2000; ++i)
        table.AddEntry().extraValue = i * 7919;
    {
        FailArraysOf fail(4096);
        EXPECT_EQ(table.SaveAs(file.get(), 128, "t"), kResErrNoMemory);
    }
    bool exists = true;
    Get(*file, CTreeTable::kTypeTTAB, 128, &exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(table.SaveAs(file.get(), 128, "t"), 0);
}
