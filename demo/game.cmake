# Lays out the demo game folder ${TV_GAME_DIR}:
#   Data/Graphic, Data/Sound, Data/Music, Data/Maps   drawn and synthesised by tvdemogen
#   data/obj/objects.tvd                              built from catalogue.json by tvmtool
#   editor/                                           the programs (placed by their targets)
# and the About box's picture and chime in ${CMAKE_BINARY_DIR}/about-assets/ (target
# tv_about_assets), which the editor embeds as resources.

set(TV_DEMO_CATALOGUE ${CMAKE_CURRENT_SOURCE_DIR}/catalogue.json)
set(TV_ABOUT_ASSETS_DIR ${CMAKE_BINARY_DIR}/about-assets)

if(TARGET tvdemogen)
    set(content_stamp ${CMAKE_CURRENT_BINARY_DIR}/demo-content.stamp)
    add_custom_command(
        OUTPUT ${content_stamp}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:tvdemogen> --catalogue ${TV_DEMO_CATALOGUE} ${TV_GAME_DIR}
        COMMAND ${CMAKE_COMMAND} -E touch ${content_stamp}
        DEPENDS tvdemogen ${TV_DEMO_CATALOGUE}
        COMMENT "Drawing the demo game's pictures, sounds and music"
        VERBATIM)
    add_custom_target(tv_demo_content ALL DEPENDS ${content_stamp})

    add_custom_command(
        OUTPUT ${TV_ABOUT_ASSETS_DIR}/about.jpg ${TV_ABOUT_ASSETS_DIR}/kelvorn.wav
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:tvdemogen> --about-assets ${TV_ABOUT_ASSETS_DIR}
        # The generator keeps files whose bytes did not change; the outputs must still look new.
        COMMAND ${CMAKE_COMMAND} -E touch ${TV_ABOUT_ASSETS_DIR}/about.jpg
                ${TV_ABOUT_ASSETS_DIR}/kelvorn.wav
        DEPENDS tvdemogen
        COMMENT "Drawing the About box's picture and chime"
        VERBATIM)
    add_custom_target(tv_about_assets ALL
        DEPENDS ${TV_ABOUT_ASSETS_DIR}/about.jpg ${TV_ABOUT_ASSETS_DIR}/kelvorn.wav)
endif()

# The catalogue needs tvmtool, which may not be part of the build yet.
if(TARGET tvmtool)
    set(catalogue_file ${TV_GAME_DIR}/data/obj/objects.tvd)
    add_custom_command(
        OUTPUT ${catalogue_file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_GAME_DIR}/data/obj
        COMMAND $<TARGET_FILE:tvmtool> catalogue build ${TV_DEMO_CATALOGUE} ${catalogue_file}
        DEPENDS tvmtool ${TV_DEMO_CATALOGUE}
        COMMENT "Building the demo catalogue data/obj/objects.tvd"
        VERBATIM)
    add_custom_target(tv_demo_catalogue ALL DEPENDS ${catalogue_file})
endif()
