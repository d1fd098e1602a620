#pragma once

// Makes test runs independent of the machine: offscreen platform, a private
// runtime and configuration folder, a time zone with summer time, German number formats.
void PrepareTestEnvironment();

// Runs every test; the QApplication must exist already.
int RunAllTests(int& argc, char** argv);
