# Facts that the build, the packages and the tests share, each in one place.
# The data files and logs are the fixed names the program uses in its working
# directory. Scripts read the copy in the build folder, skelv-facts.sh.
set(SKELV_IMAGE_FILES Scape.raw scape.tex skelv.rgba sky.raw)
set(SKELV_MUSIC_FILE Duridaz.mid)
set(SKELV_DATA_FILES ${SKELV_IMAGE_FILES} ${SKELV_MUSIC_FILE})
set(SKELV_LOG_FILES Main.txt Sys3DLog.txt OpenGL.txt MTF.txt QLog.txt MIDI.txt Console.txt)
# The client area that a 640x480 window of the program's style gets on both
# targets (the size Wine reports): the pictures the tests read back.
set(SKELV_CLIENT_WIDTH 632)
set(SKELV_CLIENT_HEIGHT 453)
