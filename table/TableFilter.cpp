#include "table/TableFilter.h"

#include <utility>

#include "table/SettingsDialog.h"

TableFilter::TableFilter(std::string name, std::string category, const FilterTable& table)
    : PixelFilter(std::move(name), std::move(category)), table(table)
{
}

std::int32_t TableFilter::Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height)
{
    if (!table.templateId)
        return PixelFilter::Setup(parent, pixels, width, height);
    if (!CanSetup(parent, pixels, width, height))
        return 0;
    SettingsDialog dialog(table);
    return dialog.RunModal(parent, pixels, width, height) == 1 ? 1 : 0;
}

void TableFilter::Run(const RunRequest& run)
{
    std::int32_t values[FilterSettings::kMaxKeys];
    if (table.settings.LoadForRun(run.owner, values))
        table.rows.run(run, values);
}
