# The demo maps: each demo/maps/NAME.json becomes ${TV_GAME_DIR}/Data/Maps/NAME.tvm, written by
# tvmtool through the map document's own writer against the demo catalogue.
file(GLOB TV_DEMO_MAP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/maps/*.json)
set(TV_DEMO_MAPS "")
foreach(source ${TV_DEMO_MAP_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    set(map ${TV_GAME_DIR}/Data/Maps/${name}.tvm)
    add_custom_command(
        OUTPUT ${map}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_GAME_DIR}/Data/Maps
        COMMAND $<TARGET_FILE:tvmtool> map build --base ${TV_GAME_DIR} ${source} ${map}
        DEPENDS tvmtool ${source} ${TV_GAME_DIR}/data/obj/objects.tvd
        COMMENT "Building the demo map Data/Maps/${name}.tvm"
        VERBATIM)
    list(APPEND TV_DEMO_MAPS ${map})
endforeach()
add_custom_target(tv_demo_maps ALL DEPENDS ${TV_DEMO_MAPS})
add_dependencies(tv_demo_maps tv_demo_catalogue)

# Each map's recorded playtests (demo/maps/NAME.playtests/) go beside it, so that
# "tvmtool test ${TV_GAME_DIR}/Data/Maps" replays them.
file(GLOB TV_DEMO_PLAYTEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/maps/*.playtests/*)
set(TV_DEMO_PLAYTESTS "")
foreach(source ${TV_DEMO_PLAYTEST_SOURCES})
    file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR}/maps ${source})
    set(target ${TV_GAME_DIR}/Data/Maps/${relative})
    add_custom_command(
        OUTPUT ${target}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target}
        DEPENDS ${source}
        COMMENT "Laying out the demo playtest Data/Maps/${relative}"
        VERBATIM)
    list(APPEND TV_DEMO_PLAYTESTS ${target})
endforeach()
add_custom_target(tv_demo_playtests ALL DEPENDS ${TV_DEMO_PLAYTESTS})
add_dependencies(tv_demo_maps tv_demo_playtests)
