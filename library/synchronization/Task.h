#pragma once

namespace NLibrary { namespace NSynchronization { namespace NTask {

// Work run by a launcher's worker. Held through shared_ptr<ITask> made for the
// concrete type. Execute must not throw: nothing on the worker catches, so an
// exception ends the whole process.
class ITask
{
public:
    virtual void Execute() = 0;

protected:
    ~ITask() {}
};

// Called on a launcher's worker thread. A dispatcher gives one callback to all
// its launchers, so implementations must allow calls from several threads.
class ITaskLauncherCallback
{
public:
    virtual void OnThreadStart() = 0;
    virtual void OnThreadStop() = 0;
    virtual void OnBeforeWait() = 0;  // about once a millisecond: keep it cheap
    virtual void OnIdle() = 0;

protected:
    ~ITaskLauncherCallback() {}
};

}}}  // namespace NLibrary::NSynchronization::NTask
