#include "tests/support/guarded_pages.h"

GuardedPages* GuardedPages::armed_ = nullptr;

GuardedPages::GuardedPages()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    pageSize_ = system.dwPageSize;
    pages_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * pageSize_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    handler_ = AddVectoredExceptionHandler(1, OnFault);
    armed_ = this;
}

GuardedPages::~GuardedPages()
{
    RemoveVectoredExceptionHandler(handler_);
    armed_ = nullptr;
    DWORD was = 0;
    VirtualProtect(pages_, 2 * pageSize_, PAGE_READWRITE, &was);
    VirtualFree(pages_, 0, MEM_RELEASE);
}

bool GuardedPages::Arm(int at, std::function<void()> write)
{
    faults_ = 0;
    writeAt_ = at;
    write_ = write;
    DWORD was = 0;
    return pages_ != nullptr && handler_ != nullptr &&
           VirtualProtect(pages_, 2 * pageSize_, PAGE_READWRITE | PAGE_GUARD, &was);
}

LONG CALLBACK GuardedPages::OnFault(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    GuardedPages* g = armed_;
    if (g == nullptr || record->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const char* at = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    if (at < g->pages_ || at >= g->pages_ + 2 * g->pageSize_) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (++g->faults_ == g->writeAt_) {
        g->write_();  // both guards are spent by now
    }
    return EXCEPTION_CONTINUE_EXECUTION;  // the guard went with the fault: the read goes on
}
