# cmake --install: the headers, the libraries, the CMake package that find_package(Scrivlet)
# reads (targets Scrivlet::Core, Scrivlet::Hosts and, with Qt, Scrivlet::Qt) and, where
# Designer is there, its plugin (tools/designer).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(SCRIVLET_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Scrivlet"
    CACHE STRING "Where the CMake package goes, relative to the install prefix")

set(scrivlet_libraries scrivlet_core scrivlet_hosts)
set_target_properties(scrivlet_core PROPERTIES EXPORT_NAME Core)
set_target_properties(scrivlet_hosts PROPERTIES EXPORT_NAME Hosts)
if(TARGET scrivlet_qt)
  set_target_properties(scrivlet_qt PROPERTIES EXPORT_NAME Qt)
  list(APPEND scrivlet_libraries scrivlet_qt)
  set(SCRIVLET_PACKAGE_HAS_QT ON)
  # The Qt modules the widget links, for the package to find.
  get_target_property(qt_links scrivlet_qt LINK_LIBRARIES)
  set(SCRIVLET_PACKAGE_QT_COMPONENTS "")
  foreach(link IN LISTS qt_links)
    if(link MATCHES "^Qt6::([A-Za-z]+)$")
      list(APPEND SCRIVLET_PACKAGE_QT_COMPONENTS ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES SCRIVLET_PACKAGE_QT_COMPONENTS)
  list(JOIN SCRIVLET_PACKAGE_QT_COMPONENTS " " SCRIVLET_PACKAGE_QT_COMPONENTS)
else()
  set(SCRIVLET_PACKAGE_HAS_QT OFF)
endif()

# The libraries name their headers relative to src/ while building; once installed, relative
# to include/scrivlet, and include/ itself lets hosts write <scrivlet/qt/scrivlet_widget.h>.
foreach(library IN LISTS scrivlet_libraries)
  get_target_property(build_dirs ${library} INTERFACE_INCLUDE_DIRECTORIES)
  if(NOT build_dirs)
    set(build_dirs "")
  endif()
  set(interface_dirs "")
  foreach(dir IN LISTS build_dirs)
    if(dir MATCHES "^\\$<")
      list(APPEND interface_dirs "${dir}")
    else()
      list(APPEND interface_dirs "$<BUILD_INTERFACE:${dir}>")
    endif()
  endforeach()
  list(APPEND interface_dirs
    "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/scrivlet>"
    "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  set_property(TARGET ${library} PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${interface_dirs}")
  set_property(TARGET ${library} APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
  # A sanitized build's libraries need the sanitizer runtimes in every program they go into.
  if(SCRIVLET_SANITIZE)
    set_property(TARGET ${library} APPEND PROPERTY INTERFACE_LINK_OPTIONS
      "$<INSTALL_INTERFACE:-fsanitize=address,undefined>")
  endif()
endforeach()

install(TARGETS ${scrivlet_libraries} EXPORT ScrivletTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(scrivlet_header_dirs text platform conversion settings document forms publishing dialogs actions control hosts)
if(SCRIVLET_PACKAGE_HAS_QT)
  list(APPEND scrivlet_header_dirs qt)
endif()
foreach(dir IN LISTS scrivlet_header_dirs)
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/${dir}"
    DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/scrivlet"
    FILES_MATCHING PATTERN "*.h")
endforeach()

# The version header is generated into the build tree.
install(DIRECTORY "${PROJECT_BINARY_DIR}/src/generated/version"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/scrivlet"
  FILES_MATCHING PATTERN "*.h")

install(EXPORT ScrivletTargets
  NAMESPACE Scrivlet::
  FILE ScrivletTargets.cmake
  DESTINATION "${SCRIVLET_INSTALL_CMAKEDIR}")

configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/ScrivletConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/ScrivletConfig.cmake"
  INSTALL_DESTINATION "${SCRIVLET_INSTALL_CMAKEDIR}")
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/ScrivletConfigVersion.cmake"
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  "${PROJECT_BINARY_DIR}/ScrivletConfig.cmake"
  "${PROJECT_BINARY_DIR}/ScrivletConfigVersion.cmake"
  DESTINATION "${SCRIVLET_INSTALL_CMAKEDIR}")
