# The online games' server: the library server/ and the thin executable gomoku3d-server, on
# Boost.Beast and Asio (headers only), nlohmann-json and SQLite, all Debian's. A player's build
# (tools/play.sh) may lack them: the server is then left out, with a note; a build with the tests,
# or the server's own build (GOMOKU_SERVER_ONLY), needs them.
set(server_needs)
if(GOMOKU_BUILD_TESTS OR GOMOKU_SERVER_ONLY)
    set(server_needs REQUIRED)
endif()
find_package(Boost 1.74 ${server_needs})
find_package(nlohmann_json 3 ${server_needs})
find_package(SQLite3 ${server_needs})
find_package(Threads ${server_needs})
if(NOT (Boost_FOUND AND nlohmann_json_FOUND AND SQLite3_FOUND AND Threads_FOUND))
    message(STATUS "The server is not built: it needs libboost1.74-dev, nlohmann-json3-dev and "
        "libsqlite3-dev")
    return()
endif()

add_library(gomoku_server STATIC
    server/ids.cpp
    server/messages.cpp
    server/names.cpp
    server/store.cpp
    server/records.cpp
    server/hub.cpp
    server/server.cpp
    server/options.cpp)
target_include_directories(gomoku_server PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gomoku_server PUBLIC gomoku_core Boost::headers nlohmann_json::nlohmann_json
    SQLite::SQLite3 Threads::Threads)
# Beast and Asio are used as headers only: no compiled Boost library.
target_compile_definitions(gomoku_server PUBLIC BOOST_ASIO_NO_DEPRECATED BOOST_BEAST_USE_STD_STRING_VIEW)

add_executable(gomoku3d-server app/server_main.cpp)
target_link_libraries(gomoku3d-server PRIVATE gomoku_server)
set_target_properties(gomoku3d-server PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
