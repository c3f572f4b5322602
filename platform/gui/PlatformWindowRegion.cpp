#include "PlatformWindowRegion.h"

#include <map>
#include <memory>
#include <mutex>

namespace
{
struct RegionTable
{
    std::mutex lock;
    std::map<HWND, std::unique_ptr<PlatformRegion>> regions;
};

RegionTable& regionTable()
{
    static RegionTable table;
    return table;
}
} // namespace

HRGN WINAPI CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    return new PlatformRegion{left, top, right, bottom, ellipseWidth, ellipseHeight};
}

int WINAPI SetWindowRgn(HWND window, HRGN region, BOOL /*redraw*/)
{
    std::unique_ptr<PlatformRegion> owned(region);
    if (window == nullptr)
    {
        owned.release(); // not taken: the caller still owns it
        return 0;
    }
    RegionTable& table = regionTable();
    const std::lock_guard<std::mutex> guard(table.lock);
    if (owned)
        table.regions[window] = std::move(owned);
    else
        table.regions.erase(window);
    return 1;
}

BOOL WINAPI DeleteObject(HRGN region)
{
    delete region;
    return region != nullptr ? TRUE : FALSE;
}

bool platformGetWindowRegion(HWND window, PlatformRegion* out)
{
    RegionTable& table = regionTable();
    const std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.regions.find(window);
    if (found == table.regions.end())
        return false;
    if (out != nullptr)
        *out = *found->second;
    return true;
}
