// What apply and po import share: edits of tree-table entries, and the one way they reach a file
// (checked against the table opened read-only first, then stored as the editor stores each field
// and saved once as Apply saves).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CObjectSet;
class CTreeTable;

namespace cli {

struct MotiveEdit {
    std::optional<int32_t> min, max, personality;
};

// One entry's edit. Documents of hundreds of thousands of edits are held whole, so what most
// edits lack (a name, motives) costs a pointer or an empty vector, not a filled slot.
struct EntryEdit {
    int64_t index = 0;
    std::unique_ptr<std::string> name; // bytes as stored (in the language's code page)
    // A name given as Unicode text (apply --text, po import), encoded into the language's code
    // page once the table is read; when the stored name already shows as this text, the name is
    // left as it is. where names it in messages.
    struct NameText {
        std::string text;
        std::string where;
    };
    std::unique_ptr<NameText> nameText;
    std::optional<uint32_t> flags;
    std::optional<uint32_t> attenuationLevel;
    std::optional<float> attenuationValue;
    std::optional<int32_t> autonomy;
    std::vector<std::pair<int64_t, MotiveEdit>> motives; // by motive number, ascending

    // The edit of motive number m, added in its place when there is none.
    MotiveEdit& Motive(int64_t m);
};

// A deque: a long list grows without being copied, and never holds twice its room.
using EntryEdits = std::deque<EntryEdit>;

// A usage error: exit 2, nothing written.
class UsageError {
public:
    explicit UsageError(std::string m) : message(std::move(m)) {}
    std::string message;
};

struct ApplyOptions {
    std::string path;
    std::string editsPath;
    int32_t objectId = 0;
    bool haveObject = false;
    int32_t language = 1;
    bool allowTruncated = false;
    bool text = false; // apply --text: names are Unicode text
};

// Opens the object file and loads the tree table of the chosen master (objectId, or the first)
// in the current language; prints the failure. An object without a tree table is a failure.
// warnDamage: say so when a file opened read-only is damaged.
bool OpenTable(const std::string& path, bool readOnly, const int32_t* objectId, CObjectSet& set,
               CTreeTable& table, int16_t& treeId, bool warnDamage);

// Opens the tree table read-only in options.language, calls prepare with it (which fills the
// edits, or throws UsageError), checks the edits against it, leaves out names given as text that
// would not change and encodes the others (a character the code page cannot hold is a usage
// error), then writes them and saves the table once. Nothing is written when no edit is left
// and skipWhenEmpty is set. Returns the exit status; messages name the command.
int ApplyToTable(const ApplyOptions& options, const char* command,
                 const std::function<void(const CTreeTable&, EntryEdits&)>& prepare,
                 bool skipWhenEmpty = false);

} // namespace cli
