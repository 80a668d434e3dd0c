#pragma once
// The media thread: one worker thread with a queue of commands, on which all the
// work on the background-music graph runs (build, stop, remove, add, render, run,
// release), and, at the end of the run, the release of every sound object's graph.
//
// Why a thread of its own: a DirectShow call can block for good inside the media
// stack (IMediaControl::Stop has been seen waiting forever in a stream parser while
// a track was changed). Everything else in the saver runs on the window thread; if
// a media call ran there too, such a block would freeze the picture and the saver
// could no longer be ended by the user. So the window thread only posts commands
// here and never waits without a bound: a blocked media thread costs the music,
// never the saver.
//
// One instance per process (MediaThread()); the thread starts with the first
// command and ends with Finish. A thread that Finish could not end is abandoned
// with its queue, and the next command starts a fresh one.
//
// A command holds what it works on by value or by shared ownership, never a pointer
// to an object that its poster may destroy: a wait for the thread is bounded, and a
// command may run (or go on running) after the wait gave up on it.

#include <windows.h>

#include <functional>

class DS_MediaThread {
public:
  typedef std::function<void()> Command;

  DS_MediaThread() = default;
  DS_MediaThread(const DS_MediaThread&) = delete;
  DS_MediaThread& operator=(const DS_MediaThread&) = delete;
  // Ends the thread within kExitWaitMs, or leaves it behind.
  ~DS_MediaThread();

  // Queues `command` to run on the media thread after every command posted before;
  // starts the thread when there is none. False when no thread could be started
  // (the command is dropped).
  bool Post(Command command);
  // Waits at most `timeoutMs` until every command posted so far has run. False on
  // time-out (a command is still running) or when there is no thread.
  bool WaitIdle(DWORD timeoutMs);
  // Runs the commands posted so far, then ends the thread; waits at most
  // `timeoutMs` for it. True when no thread is left; false when it is still
  // blocked, in which case it is abandoned.
  bool Finish(DWORD timeoutMs);
  // True while a thread exists (started and not finished).
  bool IsRunning() const { return m_worker != nullptr; }

  // How long the end of the run waits for the media teardown before the process
  // ends without it. The user has the desktop back by then; taking the graphs down
  // takes a heavily loaded machine more than ten seconds, and only a media call
  // blocked for good takes this long.
  static const DWORD kExitWaitMs = 20000;

private:
  struct Worker;
  static DWORD WINAPI ThreadMain(void* parameter);

  Worker* m_worker = nullptr;
};

// The process-wide media thread.
DS_MediaThread& MediaThread();
