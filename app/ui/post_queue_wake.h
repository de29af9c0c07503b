// The post queue's wake-up on Qt: a post from any thread queues one call on the GUI thread's
// event loop that dispatches the queue, so nothing polls and the program at rest sleeps.
#pragma once

// GUI thread, with the QCoreApplication made. Idempotent; queues a dispatch at once when
// deliveries already wait.
void InstallPostQueueWake();
// Posts from then on wait for an explicit dispatch. GUI thread.
void RemovePostQueueWake();
