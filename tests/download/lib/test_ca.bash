# Sourced by the TLS tests and the download benchmark: a certificate authority made for one
# test run with the openssl command, and server certificates signed by it.
#   test_ca_make DIR   writes DIR/ca.pem (the authority to trust, e.g. SSL_CERT_FILE=DIR/ca.pem),
#                      DIR/server.{pem,key} for 127.0.0.1 and localhost,
#                      DIR/wrongname.{pem,key} from the same authority for another name only,
#                      DIR/untrusted.{pem,key} for 127.0.0.1 from an authority nobody trusts.

_test_ca_sign() { # dir, authority name, certificate name, subjectAltName
  local dir=$1 ca=$2 name=$3 san=$4
  openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=${name}" \
    -keyout "$dir/$name.key" -out "$dir/$name.csr" 2>/dev/null
  printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$san" >"$dir/$name.ext"
  openssl x509 -req -in "$dir/$name.csr" -CA "$dir/$ca.pem" -CAkey "$dir/$ca.key" -CAcreateserial \
    -days 2 -sha256 -extfile "$dir/$name.ext" -out "$dir/$name.pem" 2>/dev/null
}

_test_ca_root() { # dir, name
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -sha256 \
    -subj "/CN=Launcher test authority $2" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" -keyout "$1/$2.key" -out "$1/$2.pem" 2>/dev/null
}

test_ca_make() {
  local dir=$1
  mkdir -p "$dir"
  _test_ca_root "$dir" ca
  _test_ca_root "$dir" stranger
  _test_ca_sign "$dir" ca server "IP:127.0.0.1,DNS:localhost"
  _test_ca_sign "$dir" ca wrongname "DNS:files.invalid"
  _test_ca_sign "$dir" stranger untrusted "IP:127.0.0.1,DNS:localhost"
  local made
  for made in server wrongname untrusted; do
    [ -s "$dir/$made.pem" ] || { echo "test CA: no $made certificate" >&2; return 1; }
  done
}
