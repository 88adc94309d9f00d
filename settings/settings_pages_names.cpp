// The "Names" page: how outputs are named and what an existing output means, under [Names].
#include <QCoreApplication>

#include "settings/output_names_options.h"
#include "settings/settings_file.h"
#include "settings/settings_pages.h"

namespace {

class NamesPage : public SettingsPage {
  public:
    explicit NamesPage(QWidget* parent)
        : SettingsPage("pg_names", parent), options_(new OutputNamesOptions(this)) {}

    void Load(const SettingsFile* file) override {
        options_->Load(file ? ReadOutputNaming(*file) : OutputNaming{});
    }
    // Last, and only a change: a file that never had the keys keeps the plain rule by default.
    void Save(SettingsFile&) const override {}
    void SaveLast(SettingsFile& file) const override {
        if (options_->Values() != ReadOutputNaming(file)) {
            WriteOutputNaming(file, options_->Values());
        }
    }
    void Defaults() override { options_->Load(OutputNaming{}); }

  private:
    OutputNamesOptions* options_;
};

}  // namespace

PageNode NamesPageNode(QWidget* area) {
    return {QCoreApplication::translate("SettingsPages", "Names"),
            QCoreApplication::translate("SettingsPages", "Set Output Names"),
            new NamesPage(area),
            {}};
}
