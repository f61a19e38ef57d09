// SIGINT, SIGTERM and SIGHUP turned into a readable descriptor, so that the display's event
// loop (Qt's or its own poll) ends normally and every owner below main cleans up: above all the
// port's registration, which would otherwise outlive the process as a stale file.
#pragma once

namespace quillon::display {

class stop_signals {
  public:
    // One at a time per process: the handlers write to this object's pipe.
    stop_signals();
    ~stop_signals();
    stop_signals(const stop_signals&) = delete;
    stop_signals& operator=(const stop_signals&) = delete;

    // Readable once a stop signal has come.
    int fd() const { return pipe_[0]; }
    bool ok() const { return pipe_[0] >= 0; }

  private:
    int pipe_[2] = {-1, -1};
};

}  // namespace quillon::display
