#pragma once

namespace brivex {

// How one worker command's pass ended, for the worker's error count.
enum class StepResult {
    Success,   // clears the error count
    Failure,   // a counted failure: the command stays current and repeats
    Neutral,   // leaves the error count as it is (a failed battery read, a failed key press)
    Unknown,   // a command without a handler: error count 6
    Ended,     // the worker ends (end request, removal, cancelled PIN dialog)
};

}  // namespace brivex
