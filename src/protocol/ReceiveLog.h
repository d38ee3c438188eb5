#pragma once

#include <QString>
#include <QStringView>

// The receive log's bound, in characters. A single-line box lays out its whole text again on every
// change, so the log is kept short enough for one append to stay within a couple of milliseconds:
// measured with bench/log_bench, a full log of 4096 costs about 1 ms per batch, repaint included,
// and one of 8192 already close to 2 ms.
// When it is full the oldest characters go, cut only between whole display forms.
inline constexpr qsizetype receive_log_capacity = 4096;

// Appends the batch text to the log, dropping its oldest characters to stay within capacity.
// The cut never falls inside a bracketed name such as "[ACK]" nor between a surrogate pair; the
// newest text is never dropped (a batch text longer than the capacity keeps its newest part).
// Done in place it costs about the batch's length: Qt drops the front of a string it alone holds
// by moving its start, and moves the text back only once the room at the end is used up.
void append_to_log(QString& log, QStringView batch_text, qsizetype capacity = receive_log_capacity);
