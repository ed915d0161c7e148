# RGB Color and Tone, a filter with a dialog of its table's, in a module that names itself.
hx_add_plugin(rgbcolor_tone FILTERS filters/rgbcolor tests/filters/tone
              INFO "Tone test module Ver.${PROJECT_VERSION} (C) 2026 ${HX_AUTHORS}" DESCRIPTION "トーンのテスト")
