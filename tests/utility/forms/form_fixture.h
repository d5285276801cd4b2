// The utility's main window over the simulated machine of the rack fixture,
// with the splash form the refresh shows; the test chooses the pages (the
// recording set, or the real ones).
#pragma once

#include <memory>

#include "utility/forms/main_form.h"
#include "utility/forms/qt_app.h"
#include "utility/forms/splash_form.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {

class UtilityFormFixture : public UtilityRackFixture {
protected:
    void SetUp() override {
        FormsApp();
        UtilityRackFixture::SetUp();
        splash_ = std::make_unique<utility::TSplashForm>();
    }
    void TearDown() override {
        form_.reset();
        splash_.reset();
        UtilityRackFixture::TearDown();
    }
    // A new window over the program folder of the fixture; not yet shown.
    utility::TMainForm& NewForm(utility::PageSet& pages) {
        utility::UtilityEnvironment env;
        env.ProgramFolder = folder_.path();
        form_ = std::make_unique<utility::TMainForm>(env, prompter_, pages, splash_.get());
        return *form_;
    }

    std::unique_ptr<utility::TSplashForm> splash_;
    std::unique_ptr<utility::TMainForm> form_;
};

}  // namespace qx::test
