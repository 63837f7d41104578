#pragma once
// A failure the user may never see on a terminal (the save when the session
// ends or a signal arrives) is also given to the system journal, where one
// runs: one syslog datagram to /dev/log, which journald and every syslog
// daemon read. Best effort: no journal, a full queue or any error is passed
// over, and nothing waits.
#include <string>

namespace nimbrel {

// The socket the journal listens on: NIMBREL_JOURNAL_SOCKET when set and not
// empty (a test stands in for the journal there), else /dev/log.
std::string JournalSocketPath();

// Sends "nimbrel[PID]: message" to the journal as an error of the user
// facility; true when the datagram was taken.
bool TellJournal(const std::string& message);

// The exit save failed: "nimbrel: cannot save the history to PATH: REASON"
// on standard error, and the same words in the journal.
void ReportExitSaveFailure(const std::string& settingsPath, const std::string& reason);

}  // namespace nimbrel
