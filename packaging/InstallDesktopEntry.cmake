# Runs at install time, after the install rules set the veltrix_* variables: writes the desktop entry with
# the installed executable's path in its Exec line, so the entry starts this installation whatever the
# prefix, and installs it (DESTDIR honoured).
# GNUInstallDirs' folders are relative to the prefix given at install time unless set absolute.
cmake_path(ABSOLUTE_PATH veltrix_bindir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE bindir)
cmake_path(ABSOLUTE_PATH veltrix_datadir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE datadir)
set(executable "${bindir}/veltrix")
if(executable MATCHES "[\n\r]")
  message(FATAL_ERROR "The install prefix has a line break: ${executable}")
endif()

# Exec quoting of the desktop entry format: a path with a reserved character goes in double quotes with
# " ` $ \ escaped; % is doubled (field codes); then the value's own escaping doubles every backslash.
set(exec "${executable}")
if(exec MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
# TryExec is the path itself with only the value's escaping; without the file the entry is skipped.
string(REPLACE "\\" "\\\\" try_exec "${executable}")

set(app_id "${veltrix_app_id}")
set(display_name "${veltrix_display_name}")
set(url_scheme "${veltrix_url_scheme}")
# One staging folder per destination: two installs at once (into different prefixes) must not write each
# other's entry.
string(SHA1 destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(entry "${veltrix_staging_dir}/${destination}/${app_id}.desktop")
configure_file("${veltrix_desktop_template}" "${entry}" @ONLY)
file(INSTALL "${entry}" DESTINATION "${datadir}/applications"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(REMOVE_RECURSE "${veltrix_staging_dir}/${destination}")
