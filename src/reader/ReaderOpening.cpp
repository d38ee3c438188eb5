#include "ReaderOpening.h"

#include "SerialControl.h"

CommResult open_for_reader(SerialControl& line)
{
    if (CommResult result = line.set_settings(SerialControl::reader_settings()); !result)
        return result;
    line.set_rthreshold(1);
    if (CommResult result = line.open_port(); !result)
        return result;
    line.set_input_len(0);
    line.set_dtr_enable(true);
    line.set_rts_enable(true);
    return CommResult::success();
}
