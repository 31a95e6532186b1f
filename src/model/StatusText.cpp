#include "model/StatusText.h"

#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/PlatformFiles.h"
#include "resource/ResourceFile.h"

namespace {

// Causes the platform noted that explain a failed open or write better than the status does.
const char* PlatformCause(PlatformFailure failure) {
    switch (failure) {
    case PlatformFailure::NotFound:
        return "the file does not exist";
    case PlatformFailure::IsDirectory:
        return "a directory was given where a file was expected";
    case PlatformFailure::InUse:
        return "the file is in use by another program";
    case PlatformFailure::Denied:
        return "the file is read-only (permission denied)";
    case PlatformFailure::NoSpace:
        return "no space left on the device";
    case PlatformFailure::TooLarge:
        return "the file would grow past the file-size limit";
    default:
        return nullptr;
    }
}

} // namespace

std::string StatusCause(int32_t status) {
    const PlatformFailure failure = LastPlatformFailure();
    const char* platform = PlatformCause(failure);
    switch (status) {
    case kResOk:
        return "success";
    case kResErrShortWrite:
        if (failure == PlatformFailure::NoSpace || failure == PlatformFailure::TooLarge)
            return platform;
        return "a write to the file was cut short";
    case kResErrShortRead:
        return "a read from the file came back short";
    case kResErrNotWritable:
        if (failure == PlatformFailure::InUse || failure == PlatformFailure::Denied)
            return platform;
        return "the file is open read-only";
    case kResErrCannotOpen:
        if (platform && failure != PlatformFailure::NoSpace) return platform;
        return "the file could not be opened, resized or flushed";
    case kResErrCannotCreate:
        if (platform) return platform;
        return "the file could not be created";
    case kResErrFileExists:
        return "the file already exists";
    case kResErrNoSuchFile:
        return "the file does not exist";
    case kResErrCannotDelete:
        return "the file could not be deleted";
    case kResErrNotOpen:
        return "no file is open";
    case kResErrAlreadyOpen:
        return "a file is already open";
    case kResErrBadHeader:
        return "the file is not an IFF resource file this program reads";
    case kResErrDamaged:
        return "the file is damaged: its chunk chain breaks before the end of the file";
    case kResErrNoMemberTakes:
        return "no file of the object takes this kind of chunk";
    case kResErrNoWritableMember:
        if (failure == PlatformFailure::InUse || failure == PlatformFailure::Denied)
            return platform;
        return "no file of the object is writable";
    case kResErrUnsupported:
        return "the operation is not supported for this kind of file";
    case kResErrNoVariants:
        return "this kind of file has no chunk variants";
    case kResErrNoNameKey:
        return "no label key is left in the file";
    case kResErrNoChunk:
    case kResErrUnknownChunk:
        return "the chunk does not exist";
    case kResErrTypeIndex:
        return "the type index is out of range";
    case kResErrNoMemory:
        return "out of memory";
    case kResErrNoKindMatched:
        if (failure == PlatformFailure::IsDirectory) return platform;
        return "no object file matches the path";
    case CStringTable::kErrTooManyStrings:
        return "the names table would hold more than 32767 strings";
    case CTreeTable::kErrNameHasNoPlace:
        return "an interaction's string index lies outside the names table's 32767 places, so "
               "its new name cannot be stored";
    case kResErrObject:
        return "the data could not be stored or read as it stands";
    default:
        return "the operation failed";
    }
}

std::string StatusText(int32_t status) {
    return StatusCause(status) + " (status " + std::to_string(status) + ")";
}

std::string DamagedFileText(const ChainBreak& at) {
    std::string text = "the file is damaged";
    if (at.offset >= 0) text += " at offset " + std::to_string(at.offset);
    return text + "; nothing was written (see tavimet-cli check)";
}
