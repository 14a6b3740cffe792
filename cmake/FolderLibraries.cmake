# One static library per source folder, linked only to the folders below it.
#
#   show_folder_library(FOLDER [USES folder...] [LINKS target...])
#
# builds FOLDER/*.cpp into the library show_<folder> (slashes become
# underscores: platform/sdl gives show_platform_sdl), links it to the
# libraries of the folders it USES and to the outside LINKS. A folder may
# include headers of its own, of the folders it uses and of everything those
# use in turn; configuring fails, naming the file and the header, when a
# header or source in it includes a header of any other folder of the
# project.

function(show_folder_target folder out)
  string(REPLACE "/" "_" name "show_${folder}")
  set(${out} ${name} PARENT_SCOPE)
endfunction()

function(show_folder_library folder)
  cmake_parse_arguments(ARG "" "" "USES;LINKS" ${ARGN})
  show_folder_target(${folder} target)

  # The folders this one may reach: itself, what it uses, and what those reach.
  set(reach ${folder})
  get_property(declared GLOBAL PROPERTY SHOW_FOLDERS)
  foreach(used ${ARG_USES})
    if(NOT used IN_LIST declared)
      message(FATAL_ERROR "${folder} uses ${used}, which is not declared before it")
    endif()
    get_property(used_reach GLOBAL PROPERTY SHOW_REACH_${used})
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL PROPERTY SHOW_REACH_${folder} ${reach})
  set_property(GLOBAL APPEND PROPERTY SHOW_FOLDERS ${folder})

  # app/main.cpp is the show's program, which wires every folder together;
  # it is built on its own, above them all.
  set(program_source ".*/app/main\\.cpp$")
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ${program_source})
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR})
  foreach(used ${ARG_USES})
    show_folder_target(${used} used_target)
    target_link_libraries(${target} ${scope} ${used_target})
  endforeach()
  if(ARG_LINKS)
    target_link_libraries(${target} ${scope} ${ARG_LINKS})
  endif()

  # The include check.
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h
       ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER files EXCLUDE REGEX ${program_source})
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      get_filename_component(header_folder "${header}" DIRECTORY)
      if(header_folder STREQUAL "" OR header_folder IN_LIST reach)
        continue()
      endif()
      if(EXISTS ${PROJECT_SOURCE_DIR}/${header})
        file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
        message(FATAL_ERROR "${shown}: includes ${header}, but ${folder}/ may only use "
                            "${reach} (see the layout table in README.md)")
      endif()
    endforeach()
  endforeach()
endfunction()
