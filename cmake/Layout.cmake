# Where everything goes, in the installed tree and in the build tree alike: the build tree has the
# installed tree's layout, so that programs find their libraries, plug-ins and data by the same
# paths relative to themselves in both, and an installed program never looks into the build tree.
include(GNUInstallDirs)

# Every directory relative to the prefix, so that the installed tree can be moved as a whole.
foreach(dir BINDIR LIBDIR DATADIR MANDIR DOCDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    message(FATAL_ERROR "CMAKE_INSTALL_${dir} must be relative to the prefix for a relocatable tree")
  endif()
endforeach()

# The platform's shared libraries are private to the project's programs, which lie next to them
# (bin/ holds the programs' launchers, see pde_launched_program), and so do the plug-in bundles.
set(PDE_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/pdekit)
set(PDE_INSTALL_PLUGINDIR ${PDE_INSTALL_PRIVATE_LIBDIR}/plugins)
# The printer family's PPDs, where CUPS looks for drivers (lpinfo -m, lpadmin -m).
set(PDE_INSTALL_PPDDIR ${CMAKE_INSTALL_DATAROOTDIR}/ppd/pdekit)
# Data the programs read: the demo session.
set(PDE_INSTALL_DATADIR ${CMAKE_INSTALL_DATAROOTDIR}/pdekit)
# GTK 3's module directory, relative to the prefix: GTK's own when it lies under /usr, so that an
# install with the prefix /usr (the Debian package) is found without GTK_PATH.
set(PDE_INSTALL_GTK_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/gtk-3.0/modules)
pkg_get_variable(PDE_GTK3_LIBDIR gtk+-3.0 libdir)
if(PDE_GTK3_LIBDIR MATCHES "^/usr/(.+)$")
  set(PDE_INSTALL_GTK_MODULEDIR ${CMAKE_MATCH_1}/gtk-3.0/modules)
endif()
# The systemd user environment that turns the GTK module on for desktop sessions.
set(PDE_INSTALL_ENVIRONMENTDIR lib/environment.d)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_BINDIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${PDE_INSTALL_PRIVATE_LIBDIR})
# The plug-in directory of the build tree, which the plug-in's build fills.
set(PDE_PLUGIN_DIR ${PROJECT_BINARY_DIR}/${PDE_INSTALL_PLUGINDIR})
# pdehost's GUI part, which pdehost --gui loads from the private library directory.
set(PDE_GUI_PART_FILE pdehost-gui.so)
# The pane's GTK integration, which the GTK module loads from the private library directory when
# the first print dialog is shown.
set(PDE_GTK_INTEGRATION_FILE pdekit-gtk-integration.so)

# pde_relative_path(<var> <from> <to>): the path from one prefix-relative directory to another.
function(pde_relative_path var from to)
  file(RELATIVE_PATH path /prefix/${from} /prefix/${to})
  if(path STREQUAL "")
    set(path .)
  endif()
  set(${var} ${path} PARENT_SCOPE)
endfunction()

# Run paths relative to each binary, in the build tree and when installed, so that either tree
# runs wherever it is put.
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
pde_relative_path(PDE_PRIVATE_LIBDIR_FROM_BINDIR ${CMAKE_INSTALL_BINDIR} ${PDE_INSTALL_PRIVATE_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${PDE_PRIVATE_LIBDIR_FROM_BINDIR}")

# pde_install_private_runpath(<target> <prefix-relative install dir>): the run path of a binary
# that is not in bin/, pointing at the private libraries from where it is installed. The binary is
# built in the same place of the build tree, so it has that run path there too: CMake's build run
# path would be padded with empty entries, which the dynamic loader takes for the current directory.
function(pde_install_private_runpath target dir)
  pde_relative_path(path ${dir} ${PDE_INSTALL_PRIVATE_LIBDIR})
  if(path STREQUAL ".")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  else()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${path}")
  endif()
  set_target_properties(${target} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
endfunction()

# pdekit_gtk_module(<target>): builds the GTK module into the build tree's GTK module directory
# (GTK_PATH=<build>/<libdir>/gtk-3.0 finds it there) and installs it into GTK's.
function(pdekit_gtk_module target)
  # It links none of the project's libraries (it loads the pane's integration itself): no run path.
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${PDE_INSTALL_GTK_MODULEDIR}
    INSTALL_RPATH "" BUILD_WITH_INSTALL_RPATH ON)
  install(TARGETS ${target} LIBRARY DESTINATION ${PDE_INSTALL_GTK_MODULEDIR})
endfunction()

# pde_launched_program(<target>): builds the program into the private library directory, where
# it is installed too, and puts a launcher of its name into bin/ that checks the program and the
# platform libraries before running it (a missing one is named with its path, exit status 2).
function(pde_launched_program target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${PDE_INSTALL_PRIVATE_LIBDIR})
  pde_install_private_runpath(${target} ${PDE_INSTALL_PRIVATE_LIBDIR})
  install(TARGETS ${target} RUNTIME DESTINATION ${PDE_INSTALL_PRIVATE_LIBDIR})

  set(files "\"$<TARGET_FILE_NAME:${target}>\"")
  foreach(layer corefoundation toolkit printing ppd)
    if(TARGET pde_${layer})
      string(APPEND files ", \"$<TARGET_FILE_NAME:pde_${layer}>\"")
    endif()
  endforeach()
  set(config_dir ${CMAKE_CURRENT_BINARY_DIR}/launcher-${target})
  file(GENERATE OUTPUT ${config_dir}/LauncherConfig.h CONTENT
"// LauncherConfig.h: what the launcher of ${target} checks and runs (generated by CMake).
#pragma once

#define PDE_PROGRAM \"$<TARGET_FILE_NAME:${target}>\"
#define PDE_PRIVATE_LIBDIR_FROM_BINDIR \"${PDE_PRIVATE_LIBDIR_FROM_BINDIR}\"
#define PDE_PRIVATE_FILES ${files}
")
  add_executable(${target}_launcher ${PROJECT_SOURCE_DIR}/app/launcher/Launcher.cc)
  target_include_directories(${target}_launcher PRIVATE ${config_dir})
  set_target_properties(${target}_launcher PROPERTIES OUTPUT_NAME ${target} BUILD_WITH_INSTALL_RPATH ON)
  add_dependencies(${target}_launcher ${target})
  install(TARGETS ${target}_launcher RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
