// The window model as the tool's event source; built once the model is.

#include "tools/zarvowatch/WatchSource.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

class CModelSource : public IWatchSource
{
public:
    CModelSource(const std::wstring& dllPath, bool initial) : dllPath(dllPath), initial(initial) {}

    uint32_t Start(NWatcher::WindowModelCallback callback, void* context) override
    {
        this->callback = callback;
        this->context = context;
        NWatcher::CWindowModelSettings settings;
        settings.modulePath = dllPath.c_str();
        return model.Start(OnEvent, this, settings);
    }

    uint32_t Stop() override { return model.Stop(); }

    uint32_t CopyWindows(std::vector<NWatcher::CWindowState>& windows) const override
    {
        return model.CopyWindows(windows);
    }

private:
    // The model always begins with the windows that exist.
    static void OnEvent(const NWatcher::CWindowModelEvent& event, void* context)
    {
        CModelSource* source = static_cast<CModelSource*>(context);
        if (event.kind != NWatcher::WindowEventPresent || source->initial)
            source->callback(event, source->context);
    }

    std::wstring dllPath;
    bool initial;
    NWatcher::WindowModelCallback callback = nullptr;
    void* context = nullptr;
    NWatcher::CWindowModel model;
};

}  // namespace

std::unique_ptr<IWatchSource> CreateModelSource(const std::wstring& dllPath, bool initial)
{
    return std::make_unique<CModelSource>(dllPath, initial);
}
