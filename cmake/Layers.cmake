# Layers of the engine: see orv_layer_files and orv_layer below, and their use
# in the top-level CMakeLists.txt.

set(ORV_LAYER_LINKS ${CMAKE_BINARY_DIR}/layers)
# Rebuilt at every configure, so a header that moved or went leaves no link.
file(REMOVE_RECURSE ${ORV_LAYER_LINKS})
set(ORV_LAYERS_CLAIMED "")
set_property(GLOBAL PROPERTY ORV_LAYERS "")

# orv_layer_files(<layer> <pattern>...)
# Gives the layer the files under src/ that match the patterns and that no
# earlier layer took: a pattern without a dot is a folder (its .h and .cpp
# files, not those of its subfolders), one with a dot is a file or a glob.
# Sets ORV_LAYER_<layer>_SOURCES and ORV_LAYER_<layer>_HEADERS.
function(orv_layer_files layer)
    set(found "")
    foreach(pattern IN LISTS ARGN)
        if(pattern MATCHES "\\.")
            set(globs ${CMAKE_SOURCE_DIR}/src/${pattern})
        else()
            set(globs ${CMAKE_SOURCE_DIR}/src/${pattern}/*.h ${CMAKE_SOURCE_DIR}/src/${pattern}/*.cpp)
        endif()
        file(GLOB matched LIST_DIRECTORIES false CONFIGURE_DEPENDS ${globs})
        list(APPEND found ${matched})
    endforeach()
    if(found AND ORV_LAYERS_CLAIMED)
        list(REMOVE_ITEM found ${ORV_LAYERS_CLAIMED})
    endif()
    list(REMOVE_DUPLICATES found)
    set(sources ${found})
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    set(headers ${found})
    list(FILTER headers INCLUDE REGEX "\\.h$")
    set(ORV_LAYER_${layer}_SOURCES ${sources} PARENT_SCOPE)
    set(ORV_LAYER_${layer}_HEADERS ${headers} PARENT_SCOPE)
    set(ORV_LAYERS_CLAIMED ${ORV_LAYERS_CLAIMED} ${found} PARENT_SCOPE)
endfunction()

# Every source file must belong to a layer; one that does not would silently
# drop out of the build.
function(orv_layers_check_claimed)
    file(GLOB_RECURSE all LIST_DIRECTORIES false CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/src/*.cpp)
    list(REMOVE_ITEM all ${ORV_LAYERS_CLAIMED})
    if(all)
        list(JOIN all "\n  " unclaimed)
        message(FATAL_ERROR "These files belong to no layer; name their folder in CMakeLists.txt:\n  ${unclaimed}")
    endif()
endfunction()

# orv_layer(<layer> [USES <layer>...] [LIBS <library>...])
# Makes the target orv_layer_<layer> from the files orv_layer_files gave it.
# Its include folder holds links to its own headers only, at their paths under
# src/; it also sees the folders of the layers it uses and, through them, of
# the layers those use. Nothing else under src/ can be included from it.
function(orv_layer layer)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "USES;LIBS")
    set(folder ${ORV_LAYER_LINKS}/${layer})
    file(MAKE_DIRECTORY ${folder})
    foreach(header IN LISTS ORV_LAYER_${layer}_HEADERS)
        file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/src ${header})
        get_filename_component(parent ${folder}/${relative} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${header} ${folder}/${relative} SYMBOLIC)
    endforeach()

    set(target orv_layer_${layer})
    list(TRANSFORM arg_USES PREPEND orv_layer_)
    if(ORV_LAYER_${layer}_SOURCES)
        add_library(${target} OBJECT ${ORV_LAYER_${layer}_SOURCES})
        set(scope PUBLIC)
        set_property(GLOBAL APPEND PROPERTY ORV_LAYERS ${target})
    else()
        # Headers only, or a folder that does not exist yet.
        add_library(${target} INTERFACE)
        set(scope INTERFACE)
    endif()
    target_include_directories(${target} ${scope} ${folder})
    target_link_libraries(${target} ${scope} orv_common ${arg_USES} ${arg_LIBS})
    set_property(GLOBAL APPEND PROPERTY ORV_LAYERS_ALL ${target})
endfunction()

# orv_engine_library(<name>)
# One static library of every layer's objects, with every layer's include
# folders and libraries for those that link it.
function(orv_engine_library name)
    orv_layers_check_claimed()
    get_property(compiled GLOBAL PROPERTY ORV_LAYERS)
    get_property(all GLOBAL PROPERTY ORV_LAYERS_ALL)
    add_library(${name} STATIC)
    foreach(layer IN LISTS compiled)
        target_sources(${name} PRIVATE $<TARGET_OBJECTS:${layer}>)
    endforeach()
    # For those that link it: the layers' folders and libraries, not their
    # objects a second time.
    target_link_libraries(${name} INTERFACE ${all})
endfunction()
