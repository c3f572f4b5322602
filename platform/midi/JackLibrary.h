// libjack, loaded when the JACK backend is tried.
#pragma once

#include "libraries/SharedLibrary.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <memory>
#include <string>

// Every function of libjack the backend and its realtime ports call: the
// table member is the name without its "jack_" prefix.
#define VASKOR_JACK_FUNCTIONS(F)                                                                                \
    F(client_open) F(client_close) F(activate) F(deactivate) F(set_error_function) F(set_info_function)         \
    F(set_process_callback) F(set_buffer_size_callback) F(get_buffer_size) F(set_port_registration_callback)   \
    F(set_client_registration_callback) F(set_port_rename_callback) F(on_info_shutdown) F(port_register)        \
    F(port_name) F(port_flags) F(port_name_size) F(port_get_aliases) F(port_by_name) F(port_is_mine)            \
    F(get_ports) F(free) F(connect) F(port_disconnect) F(port_connected) F(port_connected_to)                   \
    F(port_type_get_buffer_size) F(last_frame_time) F(port_get_buffer) F(midi_clear_buffer)                     \
    F(midi_max_event_size) F(midi_event_reserve) F(midi_get_event_count) F(midi_event_get)

namespace PlatformMidi
{
/**
    libjack loaded at run time, with the table of the functions the JACK
    backend calls (jack.port_register(...) calls jack_port_register). The
    program is not linked to libjack, so a machine without a JACK server pays
    nothing resident for it once the backend that tried it is gone, and a
    machine without the library has no JACK backend instead of no program.
    The library's own messages on stderr are silenced at each load (the
    backend says once what matters). Shared by the backend's core and its
    ports: it is unloaded with the last of them, unless a client was opened
    (keepLoaded), whose threads may outlive it.
*/
class JackLibrary
{
public:
    static constexpr const char* kFileName = "libjack.so.0";

    /** The loaded library (file: a test's stand-in for libjack); null, with
        the reason in failure, when it is missing or lacks a function. */
    static std::shared_ptr<const JackLibrary> load(std::string& failure, const char* file = kFileName);

    /** Keeps libjack in the process until it ends. */
    void keepLoaded() const { library_.keepLoaded(); }

#define VASKOR_JACK_FUNCTION(name) decltype(&::jack_##name) name = nullptr;
    VASKOR_JACK_FUNCTIONS(VASKOR_JACK_FUNCTION)
#undef VASKOR_JACK_FUNCTION

private:
    explicit JackLibrary(const char* file);
    bool resolveAll();

    SharedLibrary library_;
};
} // namespace PlatformMidi
