#include "sound/MediaThread.h"

#include <objbase.h>

#include <deque>
#include <new>
#include <utility>

// The queue and the thread's state. Shared by the thread and its owner; whoever
// lets go last deletes it, so an abandoned thread that wakes up much later still
// finds its queue.
struct DS_MediaThread::Worker {
  CRITICAL_SECTION lock;
  CONDITION_VARIABLE changed;
  std::deque<Command> queue;
  // Commands posted and not yet finished (queued or running).
  size_t pending = 0;
  bool stopping = false;
  // Set when the owner gave up waiting: the commands still queued are dropped, since
  // what they refer to may be gone by the time the thread comes back.
  bool abandoned = false;
  HANDLE thread = nullptr;
  // 2 while both the owner and the thread hold the worker.
  LONG holders = 2;

  Worker() {
    InitializeCriticalSection(&lock);
    InitializeConditionVariable(&changed);
  }
  ~Worker() {
    if (thread) CloseHandle(thread);
    DeleteCriticalSection(&lock);
  }
  void Drop() {
    if (InterlockedDecrement(&holders) == 0) delete this;
  }
};

DWORD WINAPI DS_MediaThread::ThreadMain(void* parameter) {
  Worker* worker = static_cast<Worker*>(parameter);
  // The graphs are free-threaded in-process objects; the thread joins the
  // multithreaded apartment so that it needs no message loop of its own.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (;;) {
    Command command;
    EnterCriticalSection(&worker->lock);
    while (worker->queue.empty() && !worker->stopping)
      SleepConditionVariableCS(&worker->changed, &worker->lock, INFINITE);
    if (worker->queue.empty() || worker->abandoned) {
      LeaveCriticalSection(&worker->lock);
      break;
    }
    command = std::move(worker->queue.front());
    worker->queue.pop_front();
    LeaveCriticalSection(&worker->lock);

    try {
      command();
    } catch (...) {
      // A failed command costs its own work only; the next one still runs.
    }
    command = nullptr;

    EnterCriticalSection(&worker->lock);
    --worker->pending;
    LeaveCriticalSection(&worker->lock);
    WakeAllConditionVariable(&worker->changed);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  worker->Drop();
  return 0;
}

DS_MediaThread::~DS_MediaThread() { Finish(kExitWaitMs); }

bool DS_MediaThread::Post(Command command) {
  if (!m_worker) {
    Worker* worker = new (std::nothrow) Worker();
    if (!worker) return false;
    worker->thread = CreateThread(nullptr, 0, ThreadMain, worker, 0, nullptr);
    if (!worker->thread) {
      delete worker;
      return false;
    }
    m_worker = worker;
  }
  EnterCriticalSection(&m_worker->lock);
  bool queued = true;
  try {
    m_worker->queue.push_back(std::move(command));
    ++m_worker->pending;
  } catch (const std::bad_alloc&) {
    queued = false;
  }
  LeaveCriticalSection(&m_worker->lock);
  if (queued) WakeAllConditionVariable(&m_worker->changed);
  return queued;
}

bool DS_MediaThread::WaitIdle(DWORD timeoutMs) {
  if (!m_worker) return false;
  const DWORD start = GetTickCount();
  EnterCriticalSection(&m_worker->lock);
  while (m_worker->pending != 0) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) break;
    SleepConditionVariableCS(&m_worker->changed, &m_worker->lock, timeoutMs - waited);
  }
  const bool idle = m_worker->pending == 0;
  LeaveCriticalSection(&m_worker->lock);
  return idle;
}

bool DS_MediaThread::Finish(DWORD timeoutMs) {
  if (!m_worker) return true;
  Worker* worker = m_worker;
  m_worker = nullptr;
  EnterCriticalSection(&worker->lock);
  worker->stopping = true;
  LeaveCriticalSection(&worker->lock);
  WakeAllConditionVariable(&worker->changed);
  const bool ended = WaitForSingleObject(worker->thread, timeoutMs) == WAIT_OBJECT_0;
  if (!ended) {
    EnterCriticalSection(&worker->lock);
    worker->abandoned = true;
    LeaveCriticalSection(&worker->lock);
  }
  // A thread still blocked in a media call is left to itself: nothing may wait for it
  // without a bound. It deletes the worker when (if ever) it comes back.
  worker->Drop();
  return ended;
}

DS_MediaThread& MediaThread() {
  static DS_MediaThread thread;
  return thread;
}
