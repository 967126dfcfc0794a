#include "crypto/MemoryBioText.h"

#include "crypto/OpenSSLException.h"

BioPtr newMemoryBio() {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio) {
        throw OpenSSLException("Could not create memory buffer");
    }
    return bio;
}

std::string memoryBioText(BIO& bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(&bio, &data);
    if (length < 0) {
        throw OpenSSLException("Could not convert byte buffer to string");
    }
    return std::string(data, static_cast<size_t>(length));
}
