#pragma once

#include <thread>

// The system's font configuration loaded on a helper thread while the application starts, so
// that the window's first text finds it loaded rather than loading it then. Where the toolkit
// finds its fonts otherwise, nothing is done ahead.
class FontsAhead {
public:
    FontsAhead();
    ~FontsAhead() { wait(); }
    FontsAhead(const FontsAhead&) = delete;
    FontsAhead& operator=(const FontsAhead&) = delete;

    // Returns once the loading is done; before the first font is used.
    void wait();

private:
    std::thread helper_;
};
