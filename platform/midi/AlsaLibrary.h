// libasound, loaded when the ALSA backend is tried.
#pragma once

#include "libraries/SharedLibrary.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <string>

// Every function of libasound the backend calls: the table member is the
// name without its "snd_" prefix.
#define VASKOR_ALSA_FUNCTIONS(F)                                                                                \
    F(strerror) F(lib_error_set_handler) F(config_update_free_global) F(seq_open) F(seq_close)                 \
    F(seq_client_id) F(seq_set_client_name) F(seq_set_output_buffer_size) F(seq_create_simple_port)            \
    F(seq_delete_simple_port) F(seq_connect_from) F(seq_connect_to) F(seq_query_next_client)                   \
    F(seq_query_next_port) F(seq_get_any_client_info) F(seq_get_any_port_info) F(seq_client_info_malloc)       \
    F(seq_client_info_free) F(seq_client_info_set_client) F(seq_client_info_get_client)                        \
    F(seq_client_info_get_name) F(seq_port_info_malloc) F(seq_port_info_free) F(seq_port_info_set_client)      \
    F(seq_port_info_set_port) F(seq_port_info_get_client) F(seq_port_info_get_port) F(seq_port_info_get_name)  \
    F(seq_port_info_get_capability) F(seq_port_info_get_type) F(seq_event_output_direct) F(seq_event_input)    \
    F(seq_poll_descriptors_count) F(seq_poll_descriptors) F(midi_event_new) F(midi_event_free)                 \
    F(midi_event_no_status) F(midi_event_reset_encode) F(midi_event_encode) F(midi_event_decode)

namespace PlatformMidi
{
/**
    libasound loaded at run time, with the table of the functions the ALSA
    backend calls (alsa.seq_open(...) calls snd_seq_open). The program is not
    linked to libasound, so a machine without a sequencer pays nothing
    resident for it once the backend found none, and a machine without the
    library has no ALSA backend instead of no program. Before it is unloaded,
    the configuration the library read and kept is freed, unless someone
    else in the process had loaded the library already and may still use it.
*/
class AlsaLibrary
{
public:
    static constexpr const char* kFileName = "libasound.so.2";

    /** The loaded library (file: a test's stand-in for libasound); null,
        with the reason in failure, when it is missing or lacks a function. */
    static std::shared_ptr<const AlsaLibrary> load(std::string& failure, const char* file = kFileName);

    ~AlsaLibrary();
    AlsaLibrary(const AlsaLibrary&) = delete;
    AlsaLibrary& operator=(const AlsaLibrary&) = delete;

#define VASKOR_ALSA_FUNCTION(name) decltype(&::snd_##name) name = nullptr;
    VASKOR_ALSA_FUNCTIONS(VASKOR_ALSA_FUNCTION)
#undef VASKOR_ALSA_FUNCTION

private:
    explicit AlsaLibrary(const char* file);
    bool resolveAll();

    SharedLibrary library_;
};
} // namespace PlatformMidi
