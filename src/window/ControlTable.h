#pragma once

#include <QString>
#include <span>

// The window's controls as a table: name (also the widget's objectName), kind, container, caption
// or initial text, place and size in twips relative to the container, place in the tab order, and
// for the controls without a fixed caption a short description for screen readers. MainWindow
// builds itself by walking it and shows the texts translated in the context "ControlTable".
enum class ControlKind {
    text_box,
    receive_log, // a single-line text box that holds the receive log (ReceiveLogBox)
    label,
    frame,
    check_box,
    list_box,
    option,
    push_button,
    combo_box, // the block address box (AddressBox)
    serial_port
};

struct ControlRow {
    const char* name;
    ControlKind kind;
    const char* container; // "main" for the window itself
    const char* caption;
    int left;
    int top;
    int width;
    int height;
    int tab; // -1: no place (the serial control)
    // The accessible name of a text box, the combo box, the list and a frame without caption
    // (their texts change or say nothing); a status label's accessible description, its name being
    // what it shows. A control with a caption is named by it.
    const char* description = "";
};

inline constexpr int twips_per_pixel = 15;
inline constexpr int client_width_twips = 11235;
inline constexpr int client_height_twips = 5355;

std::span<const ControlRow> control_table();
