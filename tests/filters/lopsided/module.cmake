# Lopsided over a template that lacks a control its table binds and holds
# others it cannot use: the framework must refuse it clearly.
hx_add_plugin(lopsided_broken FILTERS tests/filters/lopsided DEFINES HX_BROKEN_TEMPLATE)
