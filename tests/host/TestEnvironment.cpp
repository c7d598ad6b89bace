#include "TemporaryHomeEnvironment.h"

// The settings file and the processor's report folder lie under HOME; no test may touch the real one.
static testing::Environment* const temporaryHome =
    testing::AddGlobalTestEnvironment (new testsupport::TemporaryHomeEnvironment);
