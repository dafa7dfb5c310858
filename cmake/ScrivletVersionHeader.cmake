# Writes version/version_info.h under OUT_DIR from src/version/version_info.h.in, with the
# numbers of project(VERSION) in the top-level CMakeLists.txt, so a release changes one line.
# Trees configured on their own (fuzz/) read that line themselves.
function(scrivlet_generate_version_header out_dir)
  if(DEFINED Scrivlet_VERSION_MAJOR)
    set(PROJECT_VERSION_MAJOR ${Scrivlet_VERSION_MAJOR})
    set(PROJECT_VERSION_MINOR ${Scrivlet_VERSION_MINOR})
    set(PROJECT_VERSION_PATCH ${Scrivlet_VERSION_PATCH})
  else()
    file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../CMakeLists.txt project_line
         REGEX "^project\\(Scrivlet VERSION [0-9]+\\.[0-9]+\\.[0-9]+")
    string(REGEX MATCH "([0-9]+)\\.([0-9]+)\\.([0-9]+)" unused "${project_line}")
    set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
    set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
    set(PROJECT_VERSION_PATCH ${CMAKE_MATCH_3})
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/version/version_info.h.in
                 ${out_dir}/version/version_info.h @ONLY)
endfunction()
