# Two filters, the release's and Invert, for the tests of a module with more than one.
hx_add_plugin(rgbcolor_twofilters FILTERS filters/rgbcolor tests/filters/invert)
