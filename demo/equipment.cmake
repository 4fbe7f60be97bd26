# The game's weapon and armour tables: demo/equipment.json -> ${TV_GAME_DIR}/data/obj/.
set(equipment_file ${TV_GAME_DIR}/data/obj/equipment.json)
add_custom_command(
    OUTPUT ${equipment_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_GAME_DIR}/data/obj
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/equipment.json
            ${equipment_file}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/equipment.json
    COMMENT "Copying the demo equipment tables to data/obj/equipment.json"
    VERBATIM)
add_custom_target(tv_demo_equipment ALL DEPENDS ${equipment_file})
