/* Corpus helper: speaks one text with an espeak-ng voice into a 16-bit mono WAV file and prints
   the synthesiser's phoneme and word events with their sample positions, so that the corpus
   generator knows exactly where each phone starts.

     espeak_phonemes VOICE RATE PITCH TEXT OUT.wav

   Output lines: "rate HZ", then "phoneme SAMPLE NAME" and "word SAMPLE TEXTPOS LENGTH" (TEXTPOS
   1-based, in characters), then "end SAMPLES". Built by make_corpus.py with the system's compiler
   (package libespeak-ng-dev). */
#include <espeak-ng/speak_lib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static short* samples = NULL;
static size_t count = 0;
static size_t capacity = 0;

static int on_synth(short* wav, int n, espeak_EVENT* events) {
    if (wav != NULL && n > 0) {
        if (count + (size_t)n > capacity) {
            size_t grown = capacity ? capacity * 2 : 65536;
            while (grown < count + (size_t)n) grown *= 2;
            short* more = realloc(samples, grown * sizeof(short));
            if (more == NULL) return 1;
            samples = more;
            capacity = grown;
        }
        memcpy(samples + count, wav, (size_t)n * sizeof(short));
        count += (size_t)n;
    }
    for (espeak_EVENT* e = events; e != NULL && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type == espeakEVENT_PHONEME) {
            char name[9];
            memcpy(name, e->id.string, 8);
            name[8] = 0;
            printf("phoneme %d %s\n", e->sample, name);
        } else if (e->type == espeakEVENT_WORD) {
            printf("word %d %d %d\n", e->sample, e->text_position, e->length);
        }
    }
    return 0;
}

static void put_u32(FILE* f, uint32_t v) {
    for (int i = 0; i < 4; ++i) fputc((int)((v >> (8 * i)) & 0xff), f);
}

static void put_u16(FILE* f, uint16_t v) {
    fputc(v & 0xff, f);
    fputc(v >> 8, f);
}

int main(int argc, char** argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: espeak_phonemes VOICE RATE PITCH TEXT OUT.wav\n");
        return 2;
    }
    int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, NULL, espeakINITIALIZE_PHONEME_EVENTS);
    if (rate <= 0) {
        fprintf(stderr, "espeak_phonemes: cannot initialise espeak-ng\n");
        return 1;
    }
    if (espeak_SetVoiceByName(argv[1]) != EE_OK) {
        fprintf(stderr, "espeak_phonemes: no voice %s\n", argv[1]);
        return 1;
    }
    espeak_SetParameter(espeakRATE, atoi(argv[2]), 0);
    espeak_SetParameter(espeakPITCH, atoi(argv[3]), 0);
    espeak_SetSynthCallback(on_synth);
    printf("rate %d\n", rate);
    const char* text = argv[4];
    if (espeak_Synth(text, strlen(text) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, NULL, NULL) !=
        EE_OK) {
        fprintf(stderr, "espeak_phonemes: synthesis failed\n");
        return 1;
    }
    espeak_Synchronize();
    printf("end %zu\n", count);

    FILE* f = fopen(argv[5], "wb");
    if (f == NULL) {
        fprintf(stderr, "espeak_phonemes: cannot write %s\n", argv[5]);
        return 1;
    }
    const uint32_t bytes = (uint32_t)(count * 2);
    fwrite("RIFF", 1, 4, f);
    put_u32(f, 36 + bytes);
    fwrite("WAVEfmt ", 1, 8, f);
    put_u32(f, 16);
    put_u16(f, 1);
    put_u16(f, 1);
    put_u32(f, (uint32_t)rate);
    put_u32(f, (uint32_t)rate * 2);
    put_u16(f, 2);
    put_u16(f, 16);
    fwrite("data", 1, 4, f);
    put_u32(f, bytes);
    for (size_t i = 0; i < count; ++i) put_u16(f, (uint16_t)samples[i]);
    fclose(f);
    free(samples);
    espeak_Terminate();
    return 0;
}
