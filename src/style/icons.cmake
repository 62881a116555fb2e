# Compiles the Breeze drawings that src/style/icon_names.cpp lists into velmora_ui's resources.
# The table is the one list of files: this step reads its quoted .svg paths, copies exactly those
# files out of the installed theme (symlinks resolved, so the copy holds the drawing itself) and
# adds them under the resource prefix /velmora/icons with the same relative paths.

set(VELMORA_ICON_THEME_DIR /usr/share/icons/breeze CACHE PATH "Folder of the installed Breeze icon theme")
set(_velmora_icon_table ${CMAKE_CURRENT_LIST_DIR}/icon_names.cpp)
set(_velmora_icon_copy ${CMAKE_CURRENT_BINARY_DIR}/velmora_icons)

if(NOT EXISTS ${VELMORA_ICON_THEME_DIR}/index.theme)
  message(FATAL_ERROR "The Breeze icon theme is not installed (no ${VELMORA_ICON_THEME_DIR}/index.theme). "
                      "Install the Debian package breeze-icon-theme, e.g. with scripts/install-deps, "
                      "or point VELMORA_ICON_THEME_DIR at the theme's folder.")
endif()

# A changed table must re-run this step.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_velmora_icon_table})
file(READ ${_velmora_icon_table} _velmora_icon_text)
string(REGEX MATCHALL "\"[a-z]+/[0-9]+/[A-Za-z0-9_.+-]+\\.svg\"" _velmora_icon_quoted "${_velmora_icon_text}")
set(_velmora_icon_files)
foreach(_quoted IN LISTS _velmora_icon_quoted)
  string(REPLACE "\"" "" _rel ${_quoted})
  list(APPEND _velmora_icon_files ${_rel})
endforeach()
list(REMOVE_DUPLICATES _velmora_icon_files)
if(NOT _velmora_icon_files)
  message(FATAL_ERROR "No icon files found in ${_velmora_icon_table}")
endif()

set(_velmora_icon_missing)
set(_velmora_icon_copies)
foreach(_rel IN LISTS _velmora_icon_files)
  set(_src ${VELMORA_ICON_THEME_DIR}/${_rel})
  if(NOT EXISTS ${_src})
    list(APPEND _velmora_icon_missing ${_rel})
    continue()
  endif()
  file(REAL_PATH ${_src} _real)
  # configure_file copies again whenever the theme's file changes.
  configure_file(${_real} ${_velmora_icon_copy}/${_rel} COPYONLY)
  list(APPEND _velmora_icon_copies ${_velmora_icon_copy}/${_rel})
endforeach()
if(_velmora_icon_missing)
  list(JOIN _velmora_icon_missing "\n  " _missing_text)
  message(FATAL_ERROR "The installed icon theme in ${VELMORA_ICON_THEME_DIR} lacks files that "
                      "src/style/icon_names.cpp maps:\n  ${_missing_text}")
endif()

# The target form keeps the resources linked in although velmora_ui is a static library.
qt_add_resources(velmora_ui velmora_icons PREFIX /velmora/icons BASE ${_velmora_icon_copy}
                 FILES ${_velmora_icon_copies})
