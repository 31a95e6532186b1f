// How each edited field of a tree-table entry is stored: shared by the editor's change handlers
// and the batch editor, so both store a value the same way. Functions that may leave the entry
// unchanged return true when they changed it.
#pragma once

#include <cstdint>
#include <string>

class CResourceFile;
class CTreeTableEntry;
struct MotiveRecord;

namespace entry_edits {

constexpr int32_t kMaxNameChars = 63;

// The five user-visible flag bits, in the order of the editor's check list:
// Auto First Select, Allow Consecutive, Available to Adults, Available to Children,
// Available to Visitors. A row's mark is set when its bit is set, or clear for the rows marked
// inverted (Allow Consecutive, Available to Adults).
constexpr int kFlagRows = 5;
constexpr uint32_t kFlagRowBits[kFlagRows] = {0x001, 0x010, 0x040, 0x008, 0x100};
constexpr bool kFlagRowInverted[kFlagRows] = {false, true, true, false, false};

// The name, cut to 63 characters.
void StoreName(CTreeTableEntry& e, const char* text);

void StoreAttenuationLevel(CTreeTableEntry& e, uint32_t level);
// A custom value: when it differs from the entry's effective attenuation, the level becomes 0.
bool StoreAttenuationValue(CTreeTableEntry& e, float value);
// Text parsed as one "%f" value; false when it does not parse or nothing changed.
bool StoreAttenuationText(CTreeTableEntry& e, const char* text);

// The value shown for an attenuation: "%1.6f" without trailing zeros (0.02, 0.1, "0.", "10.").
std::string FormatAttenuation(float value);

// Cut to 16 bits, stored sign-extended, when it differs from the threshold as a 16-bit number.
bool StoreAutonomy(CTreeTableEntry& e, int32_t value);
// Text parsed as one "%d" value; false when it does not parse or nothing changed.
bool StoreAutonomyText(CTreeTableEntry& e, const char* text);

// The five check marks of the flag rows; other bits stay.
void StoreFlagMarks(CTreeTableEntry& e, const bool marks[kFlagRows]);
void GetFlagMarks(const CTreeTableEntry& e, bool marks[kFlagRows]);
// The whole 32-bit word.
void StoreFlags(CTreeTableEntry& e, uint32_t flags);

// The record of motive number m (0-based); nullptr when the entry holds none.
MotiveRecord* Motive(CTreeTableEntry& e, int32_t m);
// min := v cut to 16 bits; delta stays, so the max moves with it.
bool StoreMin(MotiveRecord& r, int32_t v);
// delta := v - min cut to 16 bits; min stays.
bool StoreMax(MotiveRecord& r, int32_t v);
bool StorePersonality(MotiveRecord& r, int32_t index);
// The leading decimal integer of an edit's text: optional blanks and sign, then digits;
// anything else gives 0. Values beyond 32 bits saturate.
int32_t LeadingInteger(const char* text);

// The label a tree table is saved under: the label of its stored TTAB chunk, or
// "untitled tree table".
std::string MakeTreeTableLabel(CResourceFile* file, int16_t treeTableId);

} // namespace entry_edits
