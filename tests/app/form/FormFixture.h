#pragma once
// A main window over the fake view, with its own settings folder, program folder and a
// recorder of the addresses the shell was asked to open.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/form/Unit1.h"
#include "app/form/Unit2.h"
#include "engine/transport/Aspi.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/virtual/VirtualBus.h"
#include "tests/app/form/FakeView.h"

namespace tarnwick::app::testing {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::filesystem::temp_directory_path() /
               ("tarnwick-form-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Root);
        ConfigDir = Root / "config";
        ProgramDir = Root / "program";
        std::filesystem::create_directories(ConfigDir);
        std::filesystem::create_directories(ProgramDir);
        // Only this test's folder is searched for the settings file.
        ::setenv("TARNWICK_CONFIG_DIR", ConfigDir.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (Root / "xdg").c_str(), 1);
        ::setenv("HOME", (Root / "home").c_str(), 1);
        platform::SetOpenURLHook([this](const std::string& url) { Opened.push_back(url); });
        MakeForm();
    }

    void TearDown() override {
        Form.reset();
        platform::SetOpenURLHook(nullptr);
        platform::ClearVirtualDrives();
        ResetTransportState(); // the next test starts without a transport, as a new process does
        std::error_code ec;
        std::filesystem::remove_all(Root, ec);
    }

    void MakeForm() {
        Form.reset();
        Form = std::make_unique<TForm1>(View, About);
        Form->ProgramFolder = ProgramDir.string();
        View.OnClose = [this] { Form->FormClose(); };
    }

    void WriteSettings(const std::string& options) {
        WriteText(ConfigDir / "ZKT_CDDVDBurn.ini", "[Options]\n" + options);
    }

    // Runs the main loop's share of the engine's threads until the job has ended.
    bool WaitJobEnd(int timeoutMs = 60000) {
        for (int waited = 0; Form->JobRunning() && waited < timeoutMs; waited += 20) {
            platform::CheckSynchronize(20);
            Form->DrainLog();
            if (View.StatusTimer) Form->StatusTimerTick(); // the window's status timer
        }
        Form->DrainLog();
        return !Form->JobRunning();
    }

    std::filesystem::path Root, ConfigDir, ProgramDir;
    TFakeView View;
    TForm2 About;
    std::unique_ptr<TForm1> Form;
    std::vector<std::string> Opened;
};

} // namespace tarnwick::app::testing
