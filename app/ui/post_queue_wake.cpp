// The post queue's wake-up on Qt.
#include "app/ui/post_queue_wake.h"

#include <QCoreApplication>

#include "model/pub_queue.h"

namespace {

// Any thread: the queued call runs on the thread of the application object, the GUI thread.
void WakeGuiThread() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { pub_queue::dispatch(); }, Qt::QueuedConnection);
}

}  // namespace

void InstallPostQueueWake() {
    pub_queue::set_wake(&WakeGuiThread);
    if (pub_queue::pending_count() > 0) WakeGuiThread();
}

void RemovePostQueueWake() { pub_queue::set_wake(nullptr); }
