#include "plugin/FilterSettings.h"

#include <cstdio>
#include <new>
#include <string>

#include "plugin/Filter.h"
#include "plugin/FilterRegistry.h"
#include "plugin/SettingsPath.h"

namespace {
// A settings section beyond this is no file of ours to rewrite.
constexpr DWORD kMaxSectionBytes = 64u << 20;
// "-2147483648" and its NUL take 12.
constexpr std::size_t kIntTextSize = 16;
}  // namespace

void FilterSettings::Load(std::int32_t* values) const
{
    char path[kSettingsPathSize];
    registry->GetSettingsPath(path, sizeof path);
    for (std::size_t i = 0; i < count; ++i) {
        // No usable path: a bare name would make the profile API look in the Windows folder.
        values[i] = path[0] == '\0' ? keys[i].fallback
                                    : static_cast<std::int32_t>(
                                          GetPrivateProfileIntA(section, keys[i].name, keys[i].fallback, path));
    }
}

bool FilterSettings::InLimits(std::size_t key, std::int32_t value) const
{
    return value >= keys[key].min && value <= keys[key].max;
}

bool FilterSettings::LoadForRun(HWND owner, std::int32_t* values) const
{
    Load(values);
    for (std::size_t i = 0; i < count; ++i) {
        if (!InLimits(i, values[i])) {
            Filter::ReportError(owner, Filter::kInvalidSettingsText, nullptr);
            return false;
        }
    }
    return true;
}

bool FilterSettings::Save(HWND owner, const std::int32_t* values) const
{
    char path[kSettingsPathSize];
    registry->GetSettingsPath(path, sizeof path);
    bool stored = path[0] != '\0';
    if (stored) {
        char texts[kMaxKeys][kIntTextSize];
        ProfileEntry entries[kMaxKeys];
        for (std::size_t i = 0; i < count; ++i) {
            std::snprintf(texts[i], kIntTextSize, "%d", static_cast<int>(values[i]));
            entries[i] = ProfileEntry{keys[i].name, texts[i]};
        }
        // One write: a scanner, an indexer or a sync client holding the file
        // for a moment refuses it whole. Key by key, the refused key would
        // keep its old value beside new ones that no one confirmed.
        stored = WriteSection(section, entries, count, path);
        // Flush the profile cache for this file. Its result means nothing on
        // either platform: Wine answers FALSE, Windows non-zero.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
    }
    if (!stored)
        Filter::ReportError(owner, Filter::kSaveFailedText, nullptr);
    return stored;
}

bool FilterSettings::WriteSection(const char* section, const ProfileEntry* entries, std::size_t count,
                                  const char* path)
{
    // Called from a window procedure: no exception may leave it.
    try {
        // The section as it stands. The reader answers size - 2 when it had
        // to cut it short: then again with twice the room.
        std::string lines;
        for (DWORD size = 4096;; size *= 2) {
            lines.assign(size, '\0');
            const DWORD length = GetPrivateProfileSectionA(section, &lines[0], size, path);
            if (length + 2 < size) {
                lines.resize(length);
                break;
            }
            if (size > kMaxSectionBytes / 2)
                return false;
        }
        const std::string merged = MergeProfileSection(lines.data(), lines.size(), entries, count);
        return WritePrivateProfileSectionA(section, merged.c_str(), path) != FALSE;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
