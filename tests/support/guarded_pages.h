// Two pages that fault once at the first read of each, for a writer that
// must act at a chosen moment of a copy across their boundary: at the copy's
// chosen fault, `write` runs before the read goes on. One at a time.
#pragma once

#include <windows.h>

#include <functional>

class GuardedPages {
public:
    GuardedPages();
    ~GuardedPages();
    // Where an object that starts `before` bytes ahead of the page boundary lies.
    char* Across(size_t before) const { return pages_ + pageSize_ - before; }
    // Guards both pages; at fault `at` (1 or 2; 0: none) `write` runs.
    bool Arm(int at, std::function<void()> write);
    int Faults() const { return faults_; }

private:
    static LONG CALLBACK OnFault(EXCEPTION_POINTERS* info);
    static GuardedPages* armed_;
    char* pages_ = nullptr;
    SIZE_T pageSize_ = 0;
    void* handler_ = nullptr;
    int faults_ = 0, writeAt_ = 0;
    std::function<void()> write_;
};
