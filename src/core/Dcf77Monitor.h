#pragma once
#include "core/Tqvbase.h"

namespace kwf {

// The DCF77 monitor's exchanges, all through the transport so that the exchange journal sees
// every frame, every acknowledgement taken and every DCF77 character.
class Dcf77Monitor {
public:
    explicit Dcf77Monitor(Tqvbase& t) : m_t(t) {}

    // Start: the closing frame re-synchronises the panel, then everything waiting is taken (its
    // acknowledgement included). False when the port is not validated or has gone (the port
    // message shown), or while another exchange holds the line (quietly).
    bool start();
    // Stop: the link test frame tells the panel to stop sending. False, with nothing sent, while
    // another exchange holds the line: the monitor goes on.
    bool stop();

    enum class Poll { Idle, Character, Gone };
    struct PollResult {
        Poll status = Poll::Idle;
        char character = 0;
    };
    // One character at most per poll. Idle until the settings are validated, while another
    // exchange holds the line or while nothing waits; Gone once a validated port has closed (adapter removed).
    PollResult poll();

private:
    Tqvbase& m_t;
};

} // namespace kwf
