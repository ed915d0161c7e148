#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "plugin/ProfileSection.h"

// One integer key of a filter's section of kwfilters.ini.
struct SettingsKey {
    const char* name;
    std::int32_t fallback;  // the value when the file holds none
    std::int32_t min;       // the values a run accepts, inclusive
    std::int32_t max;
};

// Declared, never defined: a table of keys that breaks it calls it while the
// compiler builds the table, which fails the build with this name and, in
// the lines before, the table, the key (keys[i]) and, where the compiler
// shows it, its name.
namespace broken_table_rule {
void a_keys_fallback_lies_outside_its_limits(const char* key);

// Breaks the build through `rule`; the call names the key where the compiler
// shows a call's arguments.
consteval void Fail(void (*rule)(const char*), const char* key)
{
    rule(key);
}
}  // namespace broken_table_rule

// A filter's section of the settings file, as a table of integer keys. The
// file is read afresh at every load: nothing is cached between calls.
// Values are not checked when read; each consumer checks them: a run
// refuses (LoadForRun), a dialog shows the key's fallback instead (InLimits).
// Made only by Of, which runs only as the compiler builds the table, however
// it is declared.
class FilterSettings {
public:
    static constexpr std::size_t kMaxKeys = 16;

    template <std::size_t N>
    static consteval FilterSettings Of(const char* section, const SettingsKey (&keys)[N])
    {
        static_assert(N <= kMaxKeys, "a section of at most kMaxKeys keys");
        CheckFallbacks(keys, std::make_index_sequence<N>{});
        return FilterSettings(section, keys, N);
    }

    constexpr std::size_t Count() const { return count; }
    constexpr const SettingsKey& Key(std::size_t index) const { return keys[index]; }
    // values[0..Count()), in table order: each key as the file holds it read
    // as a signed integer, its fallback when the file, the section or the key
    // is missing or when the module has no settings path.
    void Load(std::int32_t* values) const;
    bool InLimits(std::size_t key, std::int32_t value) const;
    // Load for a run: false, after telling the user (a box owned by `owner`),
    // when a stored value lies outside its key's limits.
    bool LoadForRun(HWND owner, std::int32_t* values) const;
    // Stores values[0..Count()) as "%d" texts in one write of the section,
    // other keys kept, then flushes the file. False, after telling the user
    // (a box owned by `owner`), when the file could not take them: the file
    // is then as it was.
    bool Save(HWND owner, const std::int32_t* values) const;

    // Sets the entries' keys in one write of the whole section, other keys
    // kept: a file that refuses it takes none of them. False then, or when
    // the section could not be read.
    static bool WriteSection(const char* section, const ProfileEntry* entries, std::size_t count,
                             const char* path);

private:
    constexpr FilterSettings(const char* section, const SettingsKey* keys, std::size_t count)
        : section(section), keys(keys), count(count)
    {
    }

    // A run without the file would refuse. One check a key, each its own
    // instance: the compiler's report names which.
    template <std::size_t N, std::size_t... I>
    static consteval void CheckFallbacks(const SettingsKey (&keys)[N], std::index_sequence<I...>)
    {
        (CheckFallback<I>(keys[I]), ...);
    }

    template <std::size_t Index>
    static consteval void CheckFallback(const SettingsKey& key)
    {
        if (key.fallback < key.min || key.fallback > key.max)
            broken_table_rule::Fail(broken_table_rule::a_keys_fallback_lies_outside_its_limits, key.name);
    }

    const char* const section;
    const SettingsKey* const keys;
    const std::size_t count;
};
