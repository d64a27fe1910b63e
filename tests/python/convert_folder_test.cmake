# Converts a folder of an OBJ (with its MTL), an STL and a file that is not a model with
# examples/scripts/convert_folder.py: the two models become glTF binaries, the other is left.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/in)
execute_process(COMMAND ${CLI} build ${OUT}/scene.kel add:sphere@0,0 add:cube@3,0
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CLI} export ${OUT}/scene.kel ${OUT}/in/balls.obj COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CLI} export ${OUT}/scene.kel ${OUT}/in/solid.stl COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${OUT}/in/notes.txt "not a model")
execute_process(COMMAND ${CLI} script ${SCRIPT} ${OUT}/in ${OUT}/out COMMAND_ERROR_IS_FATAL ANY)
file(GLOB made RELATIVE ${OUT}/out ${OUT}/out/*)
list(SORT made)
if(NOT made STREQUAL "balls.glb;solid.glb")
  message(FATAL_ERROR "convert_folder.py wrote '${made}'")
endif()
