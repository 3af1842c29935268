# The floors of the program, lowest first, and the floors each one may include besides its
# own (res/ stands below every floor). Each folder is one library. The README's "Source
# layout" shows the same table; cmake/check-layers.cmake holds every build to it.
set(QUORREL_LAYERS base ui/toolkit store security exchange input ui/main app)
set(QUORREL_FLOOR_base "")
set(QUORREL_FLOOR_ui_toolkit base)
set(QUORREL_FLOOR_store base)
set(QUORREL_FLOOR_security base ui/toolkit store)
set(QUORREL_FLOOR_exchange base ui/toolkit store security)
set(QUORREL_FLOOR_input base ui/toolkit store exchange)
set(QUORREL_FLOOR_ui_main base ui/toolkit store security exchange input)
set(QUORREL_FLOOR_app base ui/toolkit store security exchange input ui/main)

# Only start-up ends the process (the exit button, a restart, a second instance); below it
# every failure is a value the caller decides on. base/report.* alone may stop at a
# programming error, as a failed assertion would.
set(QUORREL_MAY_END_PROCESS app/ base/report)
