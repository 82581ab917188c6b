#pragma once
// Config-set files (*.kcfg): the look of the display window and its whole format string as
// KEY=value lines ended by CR LF, then a FORMATSTRING line and the format string itself.
// Written in Windows-1252 so that Windows peers read them. Plain C++: the reader is fuzzed;
// applying a set to the running window lives with the widgets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

class TRegistryStore;

struct TConfigSet {
    // "-" and negative numbers leave the window's value as it is.
    std::string FontName = "-";
    std::int32_t FontColor = -1;
    std::int32_t FontSize = -1;
    std::int32_t FontPitch = -1;
    std::int32_t Align = -1;
    // Our writer writes every key; a key a hand-written file leaves out leaves its value as
    // it is.
    std::optional<bool> UseFileNameAsBackground;
    std::optional<std::string> BGFileName;
    std::optional<std::int32_t> BGColor;
    std::optional<bool> AOT;
    std::optional<std::uint8_t> Alpha;
    std::optional<bool> PinToDesktop;
    std::optional<bool> Trans;
    std::int32_t X = -1;
    std::int32_t Y = -1;
    std::string FormatString;

    bool operator==(const TConfigSet&) const = default;
};

// Larger files are not config sets (a wrong file picked by mistake is not read whole).
inline constexpr std::size_t MaxConfigSetFileSize = 1u << 20;
// Beyond this a font swamps any screen; X11 cannot even size a window for it.
inline constexpr std::int32_t MaxConfigSetFontSize = 1000;

// The file's bytes: the sixteen lines in their order and the format string, each line ended
// by CR LF. Windows-1252 when every character has a place in it, else UTF-8, so that nothing
// turns into "?". Absent optional fields are written with the store's defaults. Throws
// EInOutError for a value that a line cannot hold (a line break in a font or file name).
std::string PackConfigSet(const TConfigSet& set);

struct TConfigSetFile {
    TConfigSet Set;
    // False when the file has no FORMATSTRING line, or nothing after it.
    bool HasFormatString = false;
};

// The file's values. UTF-8 (with or without its byte-order mark) or Windows-1252; CR LF, LF
// or CR end a line. Only upper-case keys count; the last of a repeated key wins; FONTSTYLE
// and unknown keys are ignored. A number that is not one throws EConvertError, an ALPHA (or
// APLHA) outside 0..255 or a FONTSIZE beyond MaxConfigSetFontSize throws ERangeError; both
// name the line and the key.
TConfigSetFile ParseConfigSet(std::string_view bytes);

// Read and parsed; errors name the file. A file that cannot be read throws EInOutError.
TConfigSetFile ReadConfigSetFile(const std::string& path);
// Replaces the file atomically: a failed write leaves what was there. Throws EInOutError.
void WriteConfigSetFile(const std::string& path, const TConfigSet& set);

// The stored look, as a set to write. Values that are missing are written to the store first
// with their defaults; X and Y are what the store holds (the caller stores the window's
// place before). FormatString is the stored one, empty when there is none.
TConfigSet StoredConfigSet(TRegistryStore& settings);

// One entry of the "Fast Config" submenu.
struct TConfigSetEntry {
    std::string Caption; // the file name without its extension
    std::string Path;
};
// The *.kcfg files (extension in any letter case) of each folder, sorted by name without
// regard to letter case; a caption listed from an earlier folder hides the same caption of a
// later one (a user's set hides a shipped one of that name). Folders that do not exist list
// nothing; entries that are not files are left out.
std::vector<TConfigSetEntry> ListConfigSets(const std::vector<std::string>& folders);

// The "configs" folders beside the program, the one the user writes to first: for a program
// run from its build tree its own folder's; for an installed one the user's data folder's,
// then the shipped sets of <prefix>/share/keltrix.
std::vector<std::string> ConfigSetFolders();

} // namespace keltrix
