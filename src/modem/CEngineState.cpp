#include "modem/CEngineState.h"

namespace brivex {

void CEngineState::ClearCallRecord()
{
    callFlags = 0;
    std::lock_guard lock(mutex);
    callTimer = {};
    callStart = {};
    callNumber.clear();
    secondNumber.clear();
    redirectingNumber.clear();
    redirectingName.clear();
}

}  // namespace brivex
