// Progress and cancel interface that long engine operations report to; the application's
// progress dialog implements it. Every operation taking a CProgress* accepts null.
#pragma once

class CProgress {
public:
    virtual ~CProgress() = default;
    virtual void SetStatusText(const char* text) = 0;
    // Reports that done of total units are finished; true when the user asked to cancel since
    // the last call. A loop that sees true stops at once and its operation ends with code 5.
    // A total of 0 reports nothing: a step with nothing to count only asks whether to cancel.
    virtual bool Progress(int done, int total) = 0;
};
