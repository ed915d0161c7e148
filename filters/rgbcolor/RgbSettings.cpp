#include "filters/rgbcolor/RgbSettings.h"

#include <windows.h>

#include "plugin/FilterRegistry.h"
#include "plugin/SettingsPath.h"

void LoadRgbSettings(RgbSettings& settings)
{
    char path[kSettingsPathSize];
    registry->GetSettingsPath(path, sizeof path);
    if (path[0] == '\0') {
        // No usable path: a bare name would make the profile API look in the Windows folder.
        settings = RgbSettings{0, 0, 0, 0};
        return;
    }
    settings.r = static_cast<std::int32_t>(GetPrivateProfileIntA(kRgbSection, kRedKey, 0, path));
    settings.g = static_cast<std::int32_t>(GetPrivateProfileIntA(kRgbSection, kGreenKey, 0, path));
    settings.b = static_cast<std::int32_t>(GetPrivateProfileIntA(kRgbSection, kBlueKey, 0, path));
    settings.preview = static_cast<std::int32_t>(GetPrivateProfileIntA(kRgbSection, kPreviewKey, 0, path));
}
