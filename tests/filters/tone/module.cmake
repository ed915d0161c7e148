# RGB Color, Tone and Lopsided, filters with dialogs of their tables', in a module that names itself.
hx_add_plugin(rgbcolor_tone FILTERS filters/rgbcolor tests/filters/tone tests/filters/lopsided
              INFO "Tone test module Ver.${PROJECT_VERSION} (C) 2026 ${HX_AUTHORS}" DESCRIPTION "トーンのテスト")
