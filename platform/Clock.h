#pragma once

namespace marbleck {

// Seconds since local midnight, as the single-precision value the program
// shows its timings with.
float SecondsSinceMidnight();

// Elapsed seconds between two readings of SecondsSinceMidnight. A run that
// crosses midnight sees the clock restart at 0; a day is added back then.
float ElapsedSeconds(float start, float end);

}  // namespace marbleck
