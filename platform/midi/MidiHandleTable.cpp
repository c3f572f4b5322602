#include "midi/MidiHandleTable.h"

namespace PlatformMidi
{
MidiHandleTable& MidiHandleTable::instance()
{
    static MidiHandleTable* table = new MidiHandleTable();
    return *table;
}

void MidiHandleTable::add(const std::shared_ptr<MidiHandle>& handle)
{
    std::lock_guard<std::mutex> hold(mutex_);
    handles_[handle->value()] = handle;
}

uintptr_t MidiHandleTable::unusedValue()
{
    std::lock_guard<std::mutex> hold(mutex_);
    next_ += 4;
    return next_;
}

void MidiHandleTable::remove(uintptr_t value)
{
    std::shared_ptr<MidiHandle> removed;
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = handles_.find(value);
    if (found == handles_.end())
        return;
    removed = std::move(found->second);
    handles_.erase(found);
}

std::shared_ptr<MidiHandle> MidiHandleTable::findHandle(uintptr_t value, DeviceKind kind)
{
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = handles_.find(value);
    if (found == handles_.end() || found->second->kind() != kind)
        return nullptr;
    return found->second;
}
} // namespace PlatformMidi
