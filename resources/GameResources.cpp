#include "resources/GameResources.h"

#include <mutex>

// Made by glib-compile-resources from the bundle's file list.
extern "C" void game_resource_data_register_resource(void);

void RegisterGameResources() {
    static std::once_flag registered;
    std::call_once(registered, [] { game_resource_data_register_resource(); });
}
