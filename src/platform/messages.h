#pragma once

#include <cstdint>

// Private message numbers exchanged between the window, its dialogs and the worker threads.
// Values stay those of the existing stations: the platform's first user message plus n.
namespace msg {

inline constexpr std::uint32_t WM_USER = 0x400;
inline constexpr std::uint32_t WM_QUIT = 0x0012;  // ends a message thread's loop

inline constexpr std::uint32_t WM_SEQ_START_RUN = WM_USER + 0x01;
inline constexpr std::uint32_t WM_SEQ_OPEN = WM_USER + 0x02;
inline constexpr std::uint32_t WM_SEQ_TICK = WM_USER + 0x03;
inline constexpr std::uint32_t WM_SEQ_SAVE_RUN = WM_USER + 0x04;
inline constexpr std::uint32_t WM_SEQ_ABORT_RUN = WM_USER + 0x05;
inline constexpr std::uint32_t WM_SEQ_CLOSE = WM_USER + 0x06;

inline constexpr std::uint32_t WM_ABOUT_CLOSED = WM_USER + 0x07;
inline constexpr std::uint32_t WM_FILE_STRUCTURE_CLOSED = WM_USER + 0x08;
inline constexpr std::uint32_t WM_VISUALISATION_CLOSED = WM_USER + 0x09;
inline constexpr std::uint32_t WM_GENERAL_SETUP_CLOSED = WM_USER + 0x0A;

inline constexpr std::uint32_t WM_GATHER_SCAN_READY = WM_USER + 0x0C;
inline constexpr std::uint32_t WM_GATHER_PORT_ERROR = WM_USER + 0x0D;
inline constexpr std::uint32_t WM_GATHER_NO_SIGNAL = WM_USER + 0x0E;
inline constexpr std::uint32_t WM_GATHER_TIMEOUT = WM_USER + 0x0F;
inline constexpr std::uint32_t WM_GATHER_X10 = WM_USER + 0x10;
inline constexpr std::uint32_t WM_GATHER_ALT16 = WM_USER + 0x11;
inline constexpr std::uint32_t WM_GATHER_ALIGNMENT = WM_USER + 0x12;
inline constexpr std::uint32_t WM_GATHER_CHANNELS = WM_USER + 0x13;
inline constexpr std::uint32_t WM_GATHER_RESTART = WM_USER + 0x15;
inline constexpr std::uint32_t WM_GATHER_SCAN_REJECTED = WM_USER + 0x16;

inline constexpr std::uint32_t WM_START_SERVER_AUTOMATICALLY = WM_USER + 0x17;
inline constexpr std::uint32_t WM_MAXIMISE = WM_USER + 0x18;
inline constexpr std::uint32_t WM_CHAT_CLOSED = WM_USER + 0x19;

inline constexpr std::uint32_t WM_FIT_PREPARE = WM_USER + 0x1A;
inline constexpr std::uint32_t WM_FIT_SHOW = WM_USER + 0x1B;
inline constexpr std::uint32_t WM_FIT_CLOSE = WM_USER + 0x1C;
inline constexpr std::uint32_t WM_FIT_SAVE = WM_USER + 0x1D;
inline constexpr std::uint32_t WM_FIT_RESPONSE_PRESENT = WM_USER + 0x1E;
inline constexpr std::uint32_t WM_FIT_OPTION = WM_USER + 0x1F;
inline constexpr std::uint32_t WM_FIT_RUN = WM_USER + 0x20;
inline constexpr std::uint32_t WM_FIT_MARKER_KEY = WM_USER + 0x21;
inline constexpr std::uint32_t WM_FIT_CLOSE_WINDOWS = WM_USER + 0x22;
inline constexpr std::uint32_t WM_FIT_REFRESH = WM_USER + 0x23;
inline constexpr std::uint32_t WM_QUICKFIT_AGAIN = WM_USER + 0x24;
inline constexpr std::uint32_t WM_QUICKFIT_CLOSED = WM_USER + 0x25;
inline constexpr std::uint32_t WM_FIT_EXPORT = WM_USER + 0x26;
inline constexpr std::uint32_t WM_FIT_MARKERS = WM_USER + 0x27;
inline constexpr std::uint32_t WM_FIT_ZOOM = WM_USER + 0x28;
inline constexpr std::uint32_t WM_FIT_ZOOM_CLOSED = WM_USER + 0x29;
inline constexpr std::uint32_t WM_FIT_EXPORT_CLOSED = WM_USER + 0x44;

inline constexpr std::uint32_t WM_SPLASH_AND_PLACEMENT = WM_USER + 0x30;

inline constexpr std::uint32_t WM_LIN_RESULTS = WM_USER + 0x32;
inline constexpr std::uint32_t WM_LIN_CLOSED = WM_USER + 0x33;
inline constexpr std::uint32_t WM_LIN_ANALYSE = WM_USER + 0x34;
inline constexpr std::uint32_t WM_LIN_READY = WM_USER + 0x35;

inline constexpr std::uint32_t WM_WAVELENGTH_CHANGED = WM_USER + 0x36;
inline constexpr std::uint32_t WM_NETWORK_ERROR_NOTICE = WM_USER + 0x37;
inline constexpr std::uint32_t WM_REALTIME_REQUEST = WM_USER + 0x38;
inline constexpr std::uint32_t WM_SHUTTER_MAP_REQUEST = WM_USER + 0x39;

inline constexpr std::uint32_t WM_BACKUP_SAVE = WM_USER + 0x40;
inline constexpr std::uint32_t WM_BACKUP_FAILED = WM_USER + 0x41;
inline constexpr std::uint32_t WM_SHUTTER_DELAY_CHANGED = WM_USER + 0x42;
inline constexpr std::uint32_t WM_OPEN_COMMAND_LINE_FILE = WM_USER + 0x43;

}  // namespace msg
