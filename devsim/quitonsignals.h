#pragma once

class QCoreApplication;

// Lets SIGINT, SIGTERM and SIGHUP end `app`'s event loop cleanly, and ignores SIGPIPE, for the
// command-line simulators and services that run until they are told to stop. POSIX only.
void quitOnSignals(QCoreApplication &app);
