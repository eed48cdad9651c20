# The platform-free half of the high scores joins the game core: the table
# and its files, the name entry's behaviour, the list's rows and the CP932
# conversion of names. The score files' few file operations are the one part
# written for each system.
target_sources(gamecore PRIVATE
  ${CMAKE_SOURCE_DIR}/scores/Cp932.cpp
  ${CMAKE_SOURCE_DIR}/scores/HighScoreList.cpp
  ${CMAKE_SOURCE_DIR}/scores/KeptReplays.cpp
  ${CMAKE_SOURCE_DIR}/scores/NameEntry.cpp
  ${CMAKE_SOURCE_DIR}/scores/ScoreKeeper.cpp
  ${CMAKE_SOURCE_DIR}/scores/ScoreTable.cpp
  ${CMAKE_SOURCE_DIR}/scores/ScoreText.cpp)
if(WIN32)
  target_sources(gamecore PRIVATE ${CMAKE_SOURCE_DIR}/scores/ScoreFileIoWindows.cpp)
else()
  target_sources(gamecore PRIVATE ${CMAKE_SOURCE_DIR}/scores/ScoreFileIoPosix.cpp)
endif()
# The lock that several games on one score folder share, also one for each
# system.
if(WIN32)
  target_sources(gamecore PRIVATE ${CMAKE_SOURCE_DIR}/scores/ScoreFolderWindows.cpp)
else()
  target_sources(gamecore PRIVATE ${CMAKE_SOURCE_DIR}/scores/ScoreFolderPosix.cpp)
endif()
