// The choose-folder dialog. There is no screen: the chooser answers from a
// queue of scripted answers, else from a standing configured folder, and
// cancels otherwise. Every question is remembered for tests and the host
// program to read back.
#pragma once

#include <cstdint>

// Runs the chooser. True with the chosen folder's POSIX path in out (at most
// size - 1 bytes; an answer that does not fit counts as a cancel), false when
// cancelled. startFolder (may be null) is where the user would begin.
bool PfChooseFolder(const char* promptUTF8, const char* startFolder, char* out, int32_t size);

// Queues an answer: a folder path, or null to cancel.
void PfChooseFolderQueueAnswer(const char* path);
// The answer when the queue is empty (null: cancel).
void PfChooseFolderSetStandingAnswer(const char* path);
void PfChooseFolderClearAnswers();
// The prompt and start folder of the last question ("" when none).
const char* PfChooseFolderLastPrompt();
const char* PfChooseFolderLastStart();
