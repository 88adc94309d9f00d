#pragma once

struct FormatConfigure;

// Each format's writer configuration from its encoder keys (the rows of the format table).
void ConfigureMp3Output(const FormatConfigure& c);
void ConfigureWavOutput(const FormatConfigure& c);
void ConfigureWmaOutput(const FormatConfigure& c);
void ConfigureOggOutput(const FormatConfigure& c);
void ConfigureVoxOutput(const FormatConfigure& c);
void ConfigureFlacOutput(const FormatConfigure& c);
void ConfigureOpusOutput(const FormatConfigure& c);
void ConfigureM4aOutput(const FormatConfigure& c);
