// A sample object to play with: an object file with a multi-tile object (a master and two parts)
// and a single-tile one, their tree tables named in three languages, and a behaviour file with
// the names the editor shows. Everything is made by our own code.
#pragma once

#include <cstdint>
#include <string>

class CResourceFile;

namespace sample {

// OBJD ids and the graphics they name (draw group id = base graphic id).
inline constexpr int16_t kSofaMasterId = 128;
inline constexpr int16_t kSofaPartLeftId = 129;
inline constexpr int16_t kSofaPartRightId = 130;
inline constexpr int16_t kLampId = 131;
inline constexpr int16_t kSofaMasterGraphic = 100;
inline constexpr int16_t kSofaPartLeftGraphic = 101;
inline constexpr int16_t kSofaPartRightGraphic = 102;
inline constexpr int16_t kLampGraphic = 110;
inline constexpr int16_t kSofaMultiTileId = 7; // master id shared by the sofa's definitions

// Tree tables.
inline constexpr int16_t kSofaTreeTable = 128;
inline constexpr int16_t kLampTreeTable = 129;
inline constexpr int kSofaEntries = 10;

// Writes the object file at path (replacing any file there). 0, or the first failing status;
// error says what failed.
int32_t WriteObjectFile(const std::string& path, std::string& error);
// Writes the behaviour file (STR# 134, 135, 232, 233) at path, replacing any file there.
int32_t WriteBehaviorFile(const std::string& path, std::string& error);
// DIR/sample.iff, DIR/gamedata/behavior.iff and DIR/registry.ini naming DIR as the install path.
int32_t WriteDemo(const std::string& dir, std::string& error);

} // namespace sample
