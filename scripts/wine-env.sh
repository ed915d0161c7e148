# Sourced by the Wine scripts: the project's prefix and how Wine runs in it.
# HX_DPI (default 96) picks a prefix of its own with the display scaled to it,
# since Wine reads the scaling once, from the prefix's registry.
hx_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
hx_base_prefix=${HX_WINEPREFIX:-$hx_root/.wine}
hx_dpi=${HX_DPI:-96}
if [ "$hx_dpi" = 96 ]; then
    export WINEPREFIX=$hx_base_prefix
else
    export WINEPREFIX=$hx_base_prefix-dpi$hx_dpi
fi
export WINEARCH=win32 LC_ALL=${HX_LC_ALL:-ja_JP.UTF-8} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Bump when the settings of scripts/wine-prefix change, so that existing prefixes get them.
hx_prefix_marker=.hx-ready-4
# Every prefix these scripts may have started a wineserver in.
hx_prefixes() { for p in "$hx_base_prefix" "$hx_base_prefix"-dpi*; do [ -f "$p/system.reg" ] && echo "$p"; done; }
