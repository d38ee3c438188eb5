#include "ControlTable.h"

#include <QtGlobal>

namespace {

using enum ControlKind;

// Rows grouped by container, each container before what it holds. The Korean captions and
// descriptions are marked for translation; the others read the same in every language.
constexpr ControlRow controls[] = {
    { "txtrecv", receive_log, "main", "", 240, 600, 10815, 270, 0,
        QT_TRANSLATE_NOOP("ControlTable", "수신 데이터") },
    { "Label", label, "main", "", 240, 120, 10815, 375, 1,
        QT_TRANSLATE_NOOP("ControlTable", "명령과 통신포트 상태") },
    { "Label1", label, "main", "", 240, 1080, 5535, 375, 2,
        QT_TRANSLATE_NOOP("ControlTable", "카드 처리 상태") },
    { "Frame2", frame, "main", "", 2760, 2520, 1095, 2655, 3,
        QT_TRANSLATE_NOOP("ControlTable", "제어 신호") },
    { "Frame3", frame, "main", QT_TRANSLATE_NOOP("ControlTable", "검색 통신포트"), 3960, 2520, 1815,
        2655, 6 },
    { "comport", frame, "main", QT_TRANSLATE_NOOP("ControlTable", "통신포트"), 240, 2520, 2415,
        2655, 9 },
    { "Frame1", frame, "main", "RF Card", 5880, 2520, 5175, 1455, 18 },
    { "Frame4", frame, "main", "RF Data", 5880, 960, 5175, 1455, 23 },
    { "Frame5", frame, "main", "", 5880, 3960, 5175, 1215, 30,
        QT_TRANSLATE_NOOP("ControlTable", "도구") },
    { "mscom1", serial_port, "main", "", 0, 0, 0, 0, -1 },
    { "chkdtr", check_box, "Frame2", "DTR", 240, 360, 735, 255, 4 },
    { "chkrts", check_box, "Frame2", "RTS", 240, 720, 735, 255, 5 },
    { "txt_port", text_box, "Frame3", "com_port", 240, 360, 1335, 270, 7,
        QT_TRANSLATE_NOOP("ControlTable", "선택한 통신포트") },
    { "list_port", list_box, "Frame3", "", 240, 720, 1335, 1680, 8,
        QT_TRANSLATE_NOOP("ControlTable", "검색된 통신포트 목록") },
    { "Optcom1", option, "comport", "COM1", 240, 360, 975, 255, 10 },
    { "Optcom2", option, "comport", "COM2", 240, 720, 975, 255, 11 },
    { "Optcom3", option, "comport", "COM3", 240, 1080, 975, 255, 12 },
    { "Optcom4", option, "comport", "COM4", 240, 1440, 975, 255, 13 },
    { "Optcom5", option, "comport", "COM5", 1320, 360, 975, 255, 14 },
    { "Optcom6", option, "comport", "COM6", 1320, 720, 975, 255, 15 },
    { "Optcom7", option, "comport", "COM7", 1320, 1080, 975, 255, 16 },
    { "Optcom8", option, "comport", "COM8", 1320, 1440, 975, 255, 17 },
    { "cmdeditwrtest", push_button, "Frame1", QT_TRANSLATE_NOOP("ControlTable", "발행번호 테스트"),
        240, 840, 2295, 375, 19 },
    { "cmd_read", push_button, "Frame1", QT_TRANSLATE_NOOP("ControlTable", "읽기"), 240, 360, 2295,
        375, 20 },
    { "cmdwrite", push_button, "Frame1", QT_TRANSLATE_NOOP("ControlTable", "신규발행"), 2640, 360,
        2295, 375, 21 },
    { "cmdeditwrite", push_button, "Frame1", QT_TRANSLATE_NOOP("ControlTable", "수정발행"), 2640,
        840, 2295, 375, 22 },
    { "read_secret", text_box, "Frame4", "", 2040, 720, 2775, 270, 24,
        QT_TRANSLATE_NOOP("ControlTable", "Key A 값") },
    { "read_address", combo_box, "Frame4", "Combo1", 2040, 360, 2775, 300, 25,
        QT_TRANSLATE_NOOP("ControlTable", "블록 주소") },
    { "txtwrdata", text_box, "Frame4", "", 2040, 1080, 2775, 270, 26,
        QT_TRANSLATE_NOOP("ControlTable", "발행번호 데이터") },
    { "Label5", label, "Frame4", "Key A : 6 Byte", 600, 720, 1335, 255, 27 },
    { "Label4", label, "Frame4", "Address : 02 - 63", 240, 360, 1575, 255, 28 },
    { "Label10", label, "Frame4", QT_TRANSLATE_NOOP("ControlTable", "발행번호"), 1080, 1080, 735,
        255, 29 },
    { "cmderase", push_button, "Frame5", QT_TRANSLATE_NOOP("ControlTable", "RXD 화면 지우기"), 2640,
        240, 2295, 375, 31 },
    { "cmd_port_search", push_button, "Frame5", QT_TRANSLATE_NOOP("ControlTable", "포트검색"), 240,
        240, 2295, 375, 32 },
    { "cmd_control_board", push_button, "Frame5",
        QT_TRANSLATE_NOOP("ControlTable", "시스템등록정보"), 240, 720, 2295, 375, 33 },
};

} // namespace

std::span<const ControlRow> control_table()
{
    return controls;
}
