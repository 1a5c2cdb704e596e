#pragma once
// The run's result code, which the exit sequence writes into the result file
// for whatever started the program.
enum VantoResultCode : int {
  VANTO_SUCCESS = 0,
  VANTO_STOP_BY_USER = 1,
  VANTO_FATAL_ERROR = 2,
  VANTO_PARTIAL_FAILURE = 3,
};

// Process-wide result: set by start-up and the run, read by the exit sequence.
extern int g_nResult;
