# The package version grows with every commit: 1.0.<number of commits up to HEAD>. A descendant
# always counts more commits than its ancestors, so every newer build on main upgrades an older one.
# The window's title keeps its fixed "1.0". -DVELMORA_PACKAGE_VERSION=... overrides the count (a
# source tree without git gives 1.0.0, older than any build from git).
set(VELMORA_PACKAGE_VERSION "" CACHE STRING "Package version; empty: 1.0.<commit count> from git")
set(_velmora_version "${VELMORA_PACKAGE_VERSION}")
if(_velmora_version STREQUAL "")
    set(_velmora_version "${PROJECT_VERSION}.0")
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE _velmora_commits OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE _velmora_git_failed ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --is-shallow-repository
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE _velmora_shallow OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(NOT _velmora_git_failed AND _velmora_commits MATCHES "^[0-9]+$")
            set(_velmora_version "${PROJECT_VERSION}.${_velmora_commits}")
        endif()
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE _velmora_git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        # Every commit, checkout or merge appends to the HEAD log: configure again, count again.
        if(EXISTS "${_velmora_git_dir}/logs/HEAD")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_velmora_git_dir}/logs/HEAD")
        endif()
        if(_velmora_shallow STREQUAL "true")
            message(WARNING "Shallow git clone: the commit count, and so the package version "
                            "${_velmora_version}, is too low; fetch the whole history before packaging")
        endif()
    endif()
    if(_velmora_version STREQUAL "${PROJECT_VERSION}.0")
        message(WARNING "No git history: package version ${_velmora_version}")
    endif()
endif()
set(VELMORA_VERSION "${_velmora_version}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/PackageVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/PackageVersion.h @ONLY)
