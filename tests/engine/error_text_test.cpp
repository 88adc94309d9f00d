#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "components/component_error.h"
#include "engine/batch_start.h"
#include "filelist/probe_file.h"
#include "formats/configure_writer.h"
#include "settings/settings_file.h"
#include "tags/tag_error.h"

namespace {

// Every error the program raises reads back its own message whole, non-ASCII text included,
// whoever catches it as a plain exception (the batches, the window, the command line).
TEST(ErrorTextTest, EveryErrorOfOursGivesItsMessageWhole) {
    const QString text = QString::fromUtf8("Cannot open /m/Björk – Jóga.mp3: no such file");
    const std::vector<std::function<void()>> throwers{
        [&] { throw ComponentError(text); }, [&] { throw TagError(text); },
        [&] { throw ConfigureError(text); }, [&] { throw SettingsWriteError(text); },
        [&] { throw ProbeError(text); },
    };
    for (const auto& raise : throwers) {
        try {
            raise();
            ADD_FAILURE() << "nothing thrown";
        } catch (const QuorvelError& e) {
            EXPECT_EQ(e.Message(), text);
            EXPECT_EQ(ErrorText(e), text);
        }
    }
    EXPECT_EQ(ErrorText(std::runtime_error("plain")), QStringLiteral("plain"));
}

}  // namespace
