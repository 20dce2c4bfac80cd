# The program is laid out in the build tree as it ships:
#   Plexar.app/Contents/Info.plist
#   Plexar.app/Contents/MacOS/       the executable (and the marker file
#                                    PlexoLog.YES when logging is wanted)
#   Plexar.app/Contents/Resources/   strings, movie, platform.conf, tools
#   Plexar.app/Contents/Frameworks/  shared libraries loaded at run time
# Targets that belong in it use these variables as their output folders.
set(PLEXAR_VERSION 5.0.0)
set(PLEXAR_APP_DIR ${CMAKE_BINARY_DIR}/Plexar.app)
set(PLEXAR_APP_CONTENTS ${PLEXAR_APP_DIR}/Contents)
set(PLEXAR_APP_MACOS ${PLEXAR_APP_CONTENTS}/MacOS)
set(PLEXAR_APP_RESOURCES ${PLEXAR_APP_CONTENTS}/Resources)
set(PLEXAR_APP_FRAMEWORKS ${PLEXAR_APP_CONTENTS}/Frameworks)
file(MAKE_DIRECTORY ${PLEXAR_APP_MACOS} ${PLEXAR_APP_RESOURCES} ${PLEXAR_APP_FRAMEWORKS})
configure_file(${CMAKE_SOURCE_DIR}/cmake/Info.plist.in ${PLEXAR_APP_CONTENTS}/Info.plist @ONLY)
