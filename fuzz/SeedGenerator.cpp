// fuzz_seeds OUTDIR: writes a seed corpus per target into OUTDIR/<target>/, made from the sample
// object file our own generator writes and from small bodies built here.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "common/BoundedString.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"
#include "resource/IffFormat.h"
#include "sample/Sample.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

fs::path g_out;
int g_written = 0;

void Seed(const char* target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(g_out / target);
    std::ofstream(g_out / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ++g_written;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes WithBlob(Bytes front, const Bytes& blob) {
    fuzz::PutBlob(front, blob);
    return front;
}

struct Stored {
    fuzz::ImageChunk chunk;
    bool native = true;
};

// Every chunk of an open file, body as stored on disk.
std::vector<Stored> ReadChunks(CResourceFile& file) {
    std::vector<Stored> out;
    for (int32_t t = 1; t <= file.CountTypes(); ++t) {
        const uint32_t type = file.GetTypeAt(t);
        for (int32_t i = 1; i <= file.CountChunks(type); ++i) {
            CChunk* c = file.GetChunkAt(type, i, nullptr);
            if (!c) continue;
            Stored s;
            s.chunk.type = type;
            file.GetId(c, s.chunk.id);
            CFixedString<64> label;
            file.GetLabel(c, label);
            s.chunk.label = label.Text();
            s.native = file.IsNative(c);
            s.chunk.flags = s.native ? iff::kFlagNative : 0;
            s.chunk.body.assign(c->Body(), c->Body() + c->Size());
            (void)file.ReleaseChunk(c);
            out.push_back(std::move(s));
        }
    }
    return out;
}

// The chunks written by the container itself into a new file; the file's bytes.
template <class File>
Bytes WriteFile(fuzz::CMemoryFiles& files, const char* path, const std::vector<Stored>& chunks) {
    File file;
    (void)file.Create(path);
    (void)file.Open(path);
    for (const Stored& s : chunks) {
        CChunk* c = CChunk::Create(int32_t(s.chunk.body.size()));
        if (!s.chunk.body.empty()) std::memcpy(c->Body(), s.chunk.body.data(), s.chunk.body.size());
        CFixedString<64> label(s.chunk.label.c_str());
        if (file.AddChunk(c, s.chunk.type, s.chunk.id, label, s.native) != 0) CChunk::Free(c);
    }
    (void)file.Close();
    return files.files[path];
}

Bytes Le16(int v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}
Bytes Cat(std::initializer_list<Bytes> parts);

// A depth sprite of three 4 x 4 frames: rows of colour and depth pairs.
Bytes TinySpr2() {
    Bytes body = Cat({Le16(1000), Le16(0), Le16(3), Le16(0), Le16(300), Le16(0)});
    const size_t frames = body.size();
    body.resize(frames + 12);
    for (int f = 0; f < 3; ++f) {
        const size_t at = body.size();
        for (int k = 0; k < 4; ++k)
            body[frames + 4 * size_t(f) + size_t(k)] = uint8_t(at >> (8 * k));
        body =
            Cat({body, Le16(4), Le16(4), Le16(0), Le16(0), Le16(300), Le16(0), Le16(-2), Le16(-3)});
        for (int row = 0; row < 4; ++row) {
            body = Cat({body, Le16(0), Le16((1 << 13) | 4)});
            for (int x = 0; x < 4; ++x)
                body = Cat({body, {uint8_t(10 * x), uint8_t(40 + row)}});
        }
        body = Cat({body, Le16(5 << 13)});
    }
    return body;
}
Bytes Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes Text(const char* s, bool nul = true) {
    Bytes b(s, s + std::strlen(s));
    if (nul) b.push_back(0);
    return b;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTDIR\n");
        return 2;
    }
    g_out = argv[1];
    fuzz::CMemoryFiles files;
    CPlatformFilesScope scope(files);
    std::string error;
    if (sample::WriteObjectFile("sample.iff", error) != 0) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
        return 1;
    }
    std::vector<Stored> chunks;
    {
        CIffFileV2 file;
        file.SetReadOnlyOpen(true);
        if (file.Open("sample.iff") != 0) return 1;
        chunks = ReadChunks(file);
        (void)file.Close();
    }
    // The file seeds stay small: big sprites give way to tiny ones of the same ids.
    std::vector<Stored> small;
    for (const Stored& s : chunks) {
        if (s.chunk.type == iff::kTypeMap) continue;
        Stored t = s;
        if (s.chunk.type == 0x53505232 && s.chunk.body.size() > 2048) t.chunk.body = TinySpr2();
        if (s.chunk.body.size() > 6000) continue;
        small.push_back(std::move(t));
    }
    const Bytes v25 = WriteFile<CIffFileV2>(files, "small25.iff", small);
    const Bytes v10 = WriteFile<CIffFileV1>(files, "small10.iff", small);
    std::vector<fuzz::ImageChunk> plain;
    for (const Stored& s : small)
        plain.push_back(s.chunk);
    Bytes v20 = fuzz::BuildIffV2(plain);
    v20[11] = '0';

    // The open and edit targets get tiny files: a few small chunks, written by the container.
    {
        std::vector<Stored> tiny;
        std::map<uint32_t, int> taken;
        for (const Stored& s : small)
            if (s.chunk.body.size() <= 400 && taken[s.chunk.type]++ < 2) tiny.push_back(s);
        const Bytes t25 = WriteFile<CIffFileV2>(files, "tiny25.iff", tiny);
        const Bytes t10 = WriteFile<CIffFileV1>(files, "tiny10.iff", tiny);
        std::vector<fuzz::ImageChunk> t;
        for (const Stored& s : tiny)
            t.push_back(s.chunk);
        Bytes t20 = fuzz::BuildIffV2(t);
        t20[11] = '0';
        for (const char* target : {"fuzz_iff_open", "fuzz_iff_edit"}) {
            Seed(target, "tiny25.iff", t25);
            Seed(target, "tiny20.iff", t20);
            Seed(target, "tiny10.iff", t10);
        }
    }
    Seed("fuzz_preview", "small25.iff", v25);
    // The save path: the sample as it is, cut, with a broken chunk header, and small files given
    // whole (with and without their resource map).
    {
        const Bytes& image = files.files["sample.iff"];
        std::vector<size_t> headers;
        for (size_t pos = iff::kFileHeaderSize; pos + iff::kChunkHeaderV2 <= image.size();) {
            const uint32_t size = iff::GetBE32(&image[pos + 4]);
            if (size < uint32_t(iff::kChunkHeaderV2) || size > image.size() - pos) break;
            headers.push_back(pos);
            pos += size;
        }
        Seed("fuzz_apply", "sample", {0x00, 3});
        // Offsets of the patches are 24-bit, big-endian.
        auto put24 = [](Bytes& out, size_t v) {
            fuzz::PutU16(out, uint16_t(v >> 8));
            out.push_back(uint8_t(v));
        };
        Bytes cut{0x02, 7};
        put24(cut, image.size() * 2 / 3);
        Seed("fuzz_apply", "cut", cut);
        const size_t n = headers.size();
        const size_t picks[] = {n - 2, n - 3, n / 2, n * 3 / 4};
        for (size_t k : picks) {
            // The size field of a header behind the tables becomes 10, below any header's size.
            if (k >= n) continue;
            const size_t at = headers[k] + 4;
            Bytes damaged{0x00, uint8_t(k)};
            for (size_t i = 0; i < 4; ++i) {
                put24(damaged, at + i);
                damaged.push_back(i == 3 ? 10 : 0);
            }
            Seed("fuzz_apply", "damaged" + std::to_string(k), damaged);
        }
        Seed("fuzz_apply", "small25.iff", Cat({{0x01, 9}, v25}));
        Bytes unmapped = v25;
        iff::PutBE32(&unmapped[iff::kMapOffsetPos], 0);
        Seed("fuzz_apply", "small25-scan.iff", Cat({{0x01, 60}, unmapped}));
    }
    Seed("fuzz_preview", "small10.iff", v10);
    // Small files: a few chunks, one of them free.
    {
        std::vector<fuzz::ImageChunk> few(3);
        few[0] = {0x53545223, 128, iff::kFlagNative, "a", Text("xy")};
        few[1] = {iff::kTypeFree, 0, iff::kFlagFree, "", Bytes(20, 0)};
        few[2] = {0x42484156, 4096, 0, "b", Bytes(7, 1)};
        for (const char* target : {"fuzz_iff_open", "fuzz_iff_edit"}) {
            Seed(target, "few25.iff", fuzz::BuildIffV2(few));
            Seed(target, "few10.iff", fuzz::BuildIffV1(few));
        }
    }

    int n = 0;
    std::map<uint32_t, int> perType;
    for (const Stored& s : chunks) {
        const std::string name = std::to_string(n++);
        const Bytes& body =
            s.chunk.type == 0x53505232 && s.chunk.body.size() > 10000 ? TinySpr2() : s.chunk.body;
        const uint8_t nat = s.native ? 1 : 0;
        switch (s.chunk.type) {
        case 0x53545223: // STR#
            Seed("fuzz_string_table", name, Cat({{uint8_t(0x00 | nat << 2 | 0x18), 0}, body}));
            Seed("fuzz_string_table", name + "w", Cat({{uint8_t(0xA3 | nat << 2), 2}, body}));
            break;
        case 0x54544173: // TTAs
            Seed("fuzz_string_table", name, Cat({{uint8_t(0x01 | nat << 2 | 0x08), 1}, body}));
            Seed("fuzz_string_table", name + "w",
                 Cat({{uint8_t(0xA1 | nat << 2 | 0x10), 0}, body}));
            for (const Stored& t : chunks)
                if (t.chunk.type == 0x54544142 && t.chunk.id == s.chunk.id) {
                    Seed("fuzz_ttab", name, Cat({WithBlob({0xF1}, t.chunk.body), body}));
                    Seed("fuzz_ttab", name + "r",
                         Cat({WithBlob({0x20 | (8 << 1)}, t.chunk.body), body}));
                }
            break;
        case 0x54544142: // TTAB
            Seed("fuzz_ttab", name, WithBlob({0xD1}, body));
            break;
        case 0x4F424A44: // OBJD
            break;
        case 0x44475250: // DGRP
            Seed("fuzz_dgrp", name, Cat({{nat}, body}));
            break;
        case 0x53505223:   // SPR#
        case 0x53505232: { // SPR2
            const char* target = s.chunk.type == 0x53505223 ? "fuzz_spr" : "fuzz_spr2";
            for (const Stored& p : chunks)
                if (p.chunk.type == 0x50414C54 && ++perType[s.chunk.type] < 3)
                    Seed(target, name + "p",
                         Cat({WithBlob({uint8_t(nat | 2 | 4 | 0xC0), 3, uint8_t(p.chunk.id)}, body),
                              p.chunk.body}));
            Seed(target, name, WithBlob({uint8_t(nat | 0x40), 2, 0}, body));
            break;
        }
        case 0x50414C54: // PALT
            Seed("fuzz_palt", name, body);
            break;
        case iff::kTypeMap:
            Seed("fuzz_name_map", name, Cat({{0}, body}));
            break;
        default:
            break;
        }
    }
    // Every OBJD of the sample in one input.
    {
        Bytes objd{3};
        int k = 0;
        for (const Stored& s : chunks)
            if (s.chunk.type == 0x4F424A44 && k++ < 4) {
                fuzz::PutU16(objd, uint16_t(s.chunk.id));
                fuzz::PutBlob(objd, s.chunk.body);
            }
        Seed("fuzz_objd", "sample", objd);
    }
    // The NAME chunk of the 1.0 file: the first internal chunk after the header.
    {
        size_t pos = iff::kFileHeaderSize;
        while (pos + iff::kChunkHeaderV1 <= v10.size()) {
            const uint32_t type = iff::GetBE32(&v10[pos]);
            const uint32_t size = iff::GetBE32(&v10[pos + 4]);
            const uint16_t flags = iff::GetBE16(&v10[pos + 10]);
            if (size < uint32_t(iff::kChunkHeaderV1) || pos + size > v10.size()) break;
            if (type == iff::kTypeName && !(flags & iff::kFlagFree))
                Seed("fuzz_name_map", "stored",
                     Cat({{uint8_t((flags & iff::kFlagNative) ? 0 : 1)},
                          Bytes(v10.begin() + long(pos + iff::kChunkHeaderV1),
                                v10.begin() + long(pos + size))}));
            pos += size;
        }
    }
    Seed("fuzz_name_map", "legacy",
         Cat({{0}, Le32(1), {3}, Text("abc", false), Le32(7), {1}, Text("z", false)}));
    // String tables in every format.
    Seed("fuzz_string_table", "pascal",
         Cat({{0x18, 0}, Le16(2), {2}, Text("ab", false), {1}, Text("c", false)}));
    Seed("fuzz_string_table", "plain",
         Cat({{0x18, 0}, Le16(-1), Le16(2), Text("one"), Text("two")}));
    Seed("fuzz_string_table", "comments",
         Cat({{0x18, 0}, Le16(-2), Le16(1), Text("one"), Text("c")}));
    Seed("fuzz_string_table", "multi",
         Cat({{0x38, 3},
              Le16(-3),
              Le16(3),
              {1},
              Text("en"),
              Text(""),
              {2},
              Text("x"),
              Text("y"),
              {1},
              Text("e2"),
              Text("!")}));
    Seed("fuzz_string_table", "caret", Cat({{0x02, 0}, Text("^one^^two^", false)}));
    Seed(
        "fuzz_string_table", "swapped",
        Cat({{0x08, 0}, {0xFF, 0xFD}, {0, 2}, {1}, Text("a"), Text(""), {4}, Text("b"), Text("")}));
    // Old tree-table versions (count, version, entries) and a plain version 9.
    for (int version = 0; version <= 9; ++version) {
        Bytes body = Cat({Le16(2), Le16(version)});
        if (version >= 9) body.push_back(0);
        for (int e = 0; e < 2; ++e) {
            if (version >= 6) {
                body = Cat({body, Le16(4096 + e), Le16(0), Le32(2), Le32(0x80), Le32(uint32_t(e)),
                            Le32(0), Le32(0), Le32(50), Le32(0xFFFFFFFF), Le16(1), Le16(2), Le16(3),
                            Le16(4), Le16(5), Le16(6)});
                if (version == 7) body.push_back(0);
            } else {
                body = Cat({body, Le16(4096 + e)});
                if (version >= 1) body = Cat({body, Le16(0)});
                body = Cat({body, Le16(2)});
                if (version <= 1)
                    body = Cat({body, Le16(0), Le16(7), Le16(1), Le16(9)});
                else if (version == 2)
                    body = Cat({body, Le32(0), Le16(0), Le16(7), Le16(9)});
                else if (version == 3)
                    body = Cat({body, Le16(0x80), Le32(0), Le16(7), Le16(9)});
                else
                    body = Cat({body, Le32(0), Le32(uint32_t(e)), Le32(0), Le32(50),
                                version == 5 ? Le32(1) : Bytes{}, Le16(7), Le16(9)});
            }
        }
        Seed("fuzz_ttab", "v" + std::to_string(version),
             WithBlob({uint8_t(0x81 | (4 << 1))}, body));
    }
    Seed("fuzz_dirlist", "list",
         Text("c:\\game\\objects;.\\local; downloads/objects;\\\\server\\share", false));
    Seed("fuzz_dirlist", "lead", Text(";a;;b\\", false));
    Seed("fuzz_po", "catalogue",
         Text("# names\nmsgid \"\"\nmsgstr \"\"\n\"Language: ru\\n\"\n\n#. note\n#, fuzzy\n"
              "msgctxt \"entry 0, string 0\"\nmsgid \"Sit\\tDown\\n\"\nmsgstr \"\"\n"
              "\"\\321\\345\\xf1\\n\"\n\n#~ msgid \"old\"\n#~ msgstr \"\"\n",
              false));
    Seed("fuzz_po", "names", Text("\x83\x5c\x82 \xf9\xd1\xd1\xe5\x98\x81", false));
    std::printf("wrote %d seeds into %s\n", g_written, argv[1]);
    return 0;
}
